// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "segment/block_measures.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using test::fill;

namespace {

// A block one pixel wide: '#' is a row with one ink pixel, '.' a blank row.
// It sits inside a larger, fully inked image so that only the view is read.
cv::Mat rowPattern(const std::string& rows) {
    const int n = static_cast<int>(rows.size());
    cv::Mat image = cv::Mat::ones(n + 2, 3, CV_8UC1);
    for (int r = 0; r < n; ++r)
        image.at<std::uint8_t>(r + 1, 1) = rows[r] == '#' ? 1 : 0;
    return image(cv::Rect(1, 1, 1, n));
}

// A block of `size` at (5, 7) with full bottom and right sides, a top row of
// `topInk` pixels and a left line `leftAt` columns in from the block's edge.
bool frameIsBoxed(cv::Size size, int topInk, int leftAt, bool solid = false) {
    cv::Mat image = test::blankImage(130, 60);
    Region region;
    region.rect = cv::Rect(cv::Point(5, 7), size);
    const cv::Rect& r = region.rect;
    fill(image, cv::Rect(r.x, r.y + r.height - 1, r.width, 1));
    fill(image, cv::Rect(r.x + r.width - 1, r.y + 1, 1, r.height - 1));
    fill(image, cv::Rect(r.x + leftAt, r.y + 1, 1, r.height - 1));
    fill(image, cv::Rect(r.x, r.y, topInk, 1));
    if (solid)
        fill(image, r);
    return isBoxed(image, region);
}

} // namespace

TEST(MeasureLineGap, UpperMedianOfBlankRunHeights) {
    SegmentationParams params = layoutPassParams({});
    params.noiseLevel = 5; // plays no part: one ink pixel makes a row non-blank
    for (const auto& [rows, expected] : std::vector<std::pair<std::string, int>>{
             {"..###..###..", 2}, // heights 2, 2, 2
             {".###....###.", 1}, // heights 1, 4, 1
             {"...#.......", 7},  // heights 3 and 7: the upper middle
             {"####", 1},         // no blank row
             {"....", 4}})
        EXPECT_EQ(measureLineGap(rowPattern(rows), params), expected) << rows;
    EXPECT_EQ(measureLineGap(rowPattern("..#..#"), boxPassParams()), 0);
}

TEST(IsBoxed, EachSideNeedsANearlyFullLineAmongItsThreeOutermost) {
    EXPECT_TRUE(frameIsBoxed({21, 21}, 21, 0));
    EXPECT_FALSE(frameIsBoxed({20, 40}, 20, 0));
    EXPECT_FALSE(frameIsBoxed({40, 20}, 40, 0));
    EXPECT_TRUE(frameIsBoxed({25, 25}, 0, 0, true));
    EXPECT_FALSE(frameIsBoxed({20, 20}, 0, 0, true));
    EXPECT_TRUE(frameIsBoxed({100, 30}, 90, 0));
    EXPECT_FALSE(frameIsBoxed({100, 30}, 89, 0));
    EXPECT_TRUE(frameIsBoxed({29, 25}, 27, 0)); // 10 % of 29 truncates to 2
    EXPECT_FALSE(frameIsBoxed({29, 25}, 26, 0));
    EXPECT_TRUE(frameIsBoxed({30, 30}, 30, 2));
    EXPECT_FALSE(frameIsBoxed({30, 30}, 30, 3)); // the fourth column is too far in
}
