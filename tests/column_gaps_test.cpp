// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "strategies/column_gaps.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using namespace pagecut::test;

namespace {

Region block(int width, int height, int depth = 1, int lineGap = 0) {
    Region region = rootRegion(width, height);
    region.depth = depth;
    region.lineGap = lineGap;
    return region;
}

SegmentationParams withMinGap(int minGap) {
    SegmentationParams params;
    params.minGap = minGap;
    return params;
}

// The strips of a block whose column profile has exactly the runs `runs`.
std::vector<cv::Rect> strips(const Region& region, const RunList& runs, int minGap) {
    cv::Mat image = blankImage(region.rect.width, region.rect.height);
    for (std::size_t i = 0; i + 1 < runs.size(); i += 2)
        fill(image, cv::Rect(runs[i], 10, runs[i + 1] - runs[i], 10));
    std::vector<cv::Rect> rects;
    for (const Region& strip : divideColumnsAtGaps(image, region, withMinGap(minGap)))
        rects.push_back(strip.rect);
    return rects;
}

using Rects = std::vector<cv::Rect>;

} // namespace

TEST(ColumnGapThreshold, UpperMedianNearTheTopTwiceTheLineGapDeeper) {
    const RunList runs{0, 100, 105, 200, 230, 300}; // gaps 5 and 30
    EXPECT_EQ(columnGapThreshold(runs, block(300, 500), withMinGap(10)), 22);
    EXPECT_EQ(columnGapThreshold(runs, block(300, 500), withMinGap(25)), 25);
    const RunList fourGaps{0, 10, 14, 20, 28, 30, 42, 50, 70, 80}; // gaps 4, 8, 12, 20
    EXPECT_EQ(columnGapThreshold(fourGaps, block(300, 500), withMinGap(0)), 9);
    EXPECT_EQ(columnGapThreshold({0, 50}, block(300, 500), withMinGap(7)), 7);
    EXPECT_EQ(columnGapThreshold(runs, block(300, 500, 3, 8), withMinGap(0)), 16);
    EXPECT_EQ(columnGapThreshold(runs, block(300, 500, 3, 8), withMinGap(20)), 20);
    EXPECT_EQ(columnGapThreshold(runs, block(300, 500, 2, 8), withMinGap(0)), 22);
    EXPECT_EQ(columnGapThreshold(runs, block(300, 500, 9, 0), withMinGap(0)), 22);
}

TEST(DivideColumnsAtGaps, ClosesGapsNarrowerThanTheThreshold) {
    const Rects expected{{0, 0, 200, 500}, {230, 0, 70, 500}};
    EXPECT_EQ(strips(block(300, 500), {0, 100, 105, 200, 230, 300}, 10), expected);
    EXPECT_EQ(strips(block(300, 500), {0, 100, 105, 200, 230, 300}, 25), expected);
    // Depth 3 and line gap 10: the threshold is 20, and a gap of 20 stays open.
    EXPECT_EQ(strips(block(300, 100, 3, 10), {0, 100, 120, 200}, 0),
              (Rects{{0, 0, 100, 100}, {120, 0, 80, 100}}));
    EXPECT_EQ(strips(block(300, 100, 3, 10), {0, 100, 119, 200}, 0), (Rects{{0, 0, 200, 100}}));
    EXPECT_TRUE(strips(block(60, 40), {}, 10).empty());
    EXPECT_TRUE(strips(block(60, 40), {0, 60}, 10).empty());
}

TEST(DivideColumnsAtGaps, NarrowRunJoinsTheRunOnItsRight) {
    EXPECT_EQ(strips(block(300, 500), {0, 10, 40, 290}, 10), (Rects{{0, 0, 290, 500}}));
    // 8 % of the block width is narrow, 9 % is not; the last run is never tested.
    EXPECT_TRUE(strips(block(100, 100), {0, 8, 40, 100}, 10).empty());
    EXPECT_EQ(strips(block(100, 100), {0, 9, 40, 48}, 10),
              (Rects{{0, 0, 9, 100}, {40, 0, 8, 100}}));
    // A block more than a thousand times taller than the run is wide keeps it.
    EXPECT_EQ(strips(block(100, 7000), {0, 6, 40, 100}, 10).size(), 2u);
}
