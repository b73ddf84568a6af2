// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "segment/box_bands.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using Rects = std::vector<cv::Rect>;

namespace {

Rects cut(const cv::Mat& image, const cv::Rect& block, const Rects& boxes) {
    std::vector<Region> found;
    for (const cv::Rect& box : boxes)
        found.push_back(Region{box});
    Rects out;
    for (const Region& band : cutAroundBoxes(image, Region{block}, layoutPassParams(found)))
        out.push_back(band.rect);
    return out;
}

} // namespace

TEST(CutAroundBoxes, BoxGetsItsOwnBandAndTheRowsAroundItNone) {
    cv::Mat image = test::blankImage(100, 300);
    test::fill(image, cv::Rect(5, 10, 60, 10));
    test::fill(image, cv::Rect(5, 200, 60, 10));
    test::frame(image, cv::Rect(10, 100, 80, 50));
    const cv::Rect block(0, 0, 100, 300);
    EXPECT_EQ(cut(image, block, {{10, 100, 80, 50}}),
              (Rects{{0, 0, 100, 99}, {0, 100, 100, 50}, {0, 151, 100, 149}}));
    EXPECT_EQ(cut(image, block, {}), Rects{});
    test::fill(image, cv::Rect(5, 10, 60, 10), 0); // the band above now has no ink
    EXPECT_EQ(cut(image, block, {{10, 100, 80, 50}}),
              (Rects{{0, 100, 100, 50}, {0, 151, 100, 149}}));
}

TEST(CutAroundBoxes, BoxMustSpanAtLeastHalfTheBlockRoundedUp) {
    cv::Mat image = test::blankImage(120, 100);
    test::fill(image, cv::Rect(0, 0, 120, 100));
    for (const auto& [blockWidth, boxWidth, cuts] : std::vector<std::tuple<int, int, bool>>{
             {100, 49, false}, {100, 50, true}, {101, 50, false}, {101, 51, true}})
        EXPECT_EQ(cut(image, {0, 0, blockWidth, 100}, {{2, 40, boxWidth, 20}}).size(),
                  cuts ? 3u : 0u)
            << blockWidth << " " << boxWidth;
}

TEST(CutAroundBoxes, OnlyBoxesWhollyInsideTheBlockCount) {
    cv::Mat image = test::blankImage(120, 300);
    test::frame(image, cv::Rect(20, 60, 60, 40));
    test::frame(image, cv::Rect(20, 150, 60, 40));
    const cv::Rect block(10, 10, 100, 280);
    for (const cv::Rect& outside : {cv::Rect(9, 60, 60, 40), cv::Rect(51, 60, 60, 40),
                                    cv::Rect(20, 9, 60, 40), cv::Rect(20, 251, 60, 40)})
        EXPECT_EQ(cut(image, block, {outside}), Rects{}) << outside;
    // Two stacked boxes with white space around them: exactly the two boxes.
    EXPECT_EQ(cut(image, block, {{20, 60, 60, 40}, {20, 150, 60, 40}}),
              (Rects{{10, 60, 100, 40}, {10, 150, 100, 40}}));
    // A box on the block's top row: no band above it.
    test::fill(image, cv::Rect(20, 10, 60, 3));
    EXPECT_EQ(cut(image, block, {{20, 10, 60, 20}}),
              (Rects{{10, 10, 100, 20}, {10, 31, 100, 259}}));
}
