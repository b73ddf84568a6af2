// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "core/profile.h"
#include "strategies/closed_background.h"
#include "strategies/row_channels.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using namespace pagecut::test;

namespace {

using Rects = std::vector<cv::Rect>;

Rects bands(const cv::Mat& image, const Region& block) {
    Rects rects;
    for (const Region& band : divideRowsAroundChannels(image, block, SegmentationParams(),
                                                       rowProfile(image(block.rect))))
        rects.push_back(band.rect);
    return rects;
}

// Ink on columns [0, leftEnd) and [rightStart, width) over each row range.
void twoSided(cv::Mat& image, std::initializer_list<cv::Range> rows, int leftEnd, int rightStart) {
    for (const cv::Range& r : rows) {
        fill(image, cv::Rect(0, r.start, leftEnd, r.size()));
        fill(image, cv::Rect(rightStart, r.start, image.cols - rightStart, r.size()));
    }
}

} // namespace

TEST(CloseBlock, EqualsDilationThenErosionOfTheBlockAlone) {
    cv::Mat block = blankImage(60, 240);
    cv::RNG random(7);
    for (int k = 0; k < 14; ++k)
        fill(block, cv::Rect(random.uniform(0, 60), random.uniform(0, 240), random.uniform(1, 6),
                             random.uniform(1, 30)));
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(11, 201));
    cv::Mat dilated, expected;
    cv::dilate(block, dilated, kernel);
    cv::erode(dilated, expected, kernel);
    ASSERT_GT(cv::countNonZero(expected), 0);
    ASSERT_GT(cv::countNonZero(expected == 0), 0);
    EXPECT_EQ(cv::countNonZero(closeBlock(block, 11, 201) != expected), 0);
    // A view into a larger image closes as if nothing lay outside it.
    cv::Mat page(300, 100, CV_8UC1, cv::Scalar(1));
    block.copyTo(page(cv::Rect(20, 30, 60, 240)));
    EXPECT_EQ(cv::countNonZero(closeBlock(page(cv::Rect(20, 30, 60, 240)), 11, 201) != expected),
              0);
}

TEST(DivideRowsAroundChannels, HeadingOverTwoColumnsGivesHeadingAndBody) {
    // The heading's word gap over the gutter lets the channel start on the
    // heading rows; its top is trimmed down to the first body line.
    cv::Mat page = blankImage(240, 180);
    cv::Mat block = page(cv::Rect(20, 15, 200, 150));
    twoSided(block, {{0, 8}}, 96, 130);
    for (int y = 24; y < 150; y += 10)
        twoSided(block, {{y, y + 6}}, 90, 110);
    Region region;
    region.rect = cv::Rect(20, 15, 200, 150);
    EXPECT_EQ(bands(page, region), (Rects{{20, 15, 200, 8}, {20, 39, 200, 126}}));
    EXPECT_TRUE(bands(blankImage(50, 40), rootRegion(50, 40)).empty());
}

TEST(DivideRowsAroundChannels, ChannelBlocksOnlyCutsStrictlyInsideIt) {
    // The gutter (columns 45..56) is open to the top edge and closed by the
    // full-width run at row 130; trimmed, the channel covers rows 20..129, so
    // the cuts before rows 20 and 130 stay and the one before 70 goes.
    cv::Mat image = blankImage(100, 200);
    twoSided(image, {{0, 10}, {20, 60}, {70, 120}}, 45, 57);
    fill(image, cv::Rect(0, 130, 100, 70));
    EXPECT_EQ(bands(image, rootRegion(100, 200)),
              (Rects{{0, 0, 100, 10}, {0, 20, 100, 100}, {0, 130, 100, 70}}));
}

TEST(DivideRowsAroundChannels, FirstOfEqualLargestAreaJumpsSetsTheThreshold) {
    // Background areas 2100 (a notch in the bottom edge, 105 rows: not tall in
    // a block 1100 rows high), 11550 (the bottom right corner) and 21000 (the
    // top margin): equal jumps, so the threshold is 2100 and the notch is a
    // channel that blocks the cut before row 1007.
    cv::Mat image = blankImage(200, 1100);
    fill(image, cv::Rect(0, 105, 200, 890));
    twoSided(image, {{1000, 1005}, {1007, 1100}}, 40, 60);
    fill(image, cv::Rect(90, 1000, 110, 100), 0);
    EXPECT_EQ(bands(image, rootRegion(200, 1100)),
              (Rects{{0, 105, 200, 890}, {0, 1000, 200, 100}}));
}
