// SPDX-License-Identifier: Apache-2.0
// Blocks of the working page mapped back to the page as given.
#include "working_page/page_frame.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace pagecut {
namespace {

TEST(PageFrame, ScaledBlocksMapBackOutwardAndClipped) {
    EXPECT_EQ(unscaleRect({3, 3, 3, 3}, 2, {100, 100}), cv::Rect(1, 1, 2, 2));
    EXPECT_EQ(unscaleRect({10, 10, 5, 5}, 0.5, {100, 100}), cv::Rect(20, 20, 10, 10));
    EXPECT_EQ(unscaleRect({45, 0, 10, 10}, 0.5, {100, 100}), cv::Rect(90, 0, 10, 20));
    EXPECT_TRUE(unscaleRect({60, 0, 10, 10}, 0.5, {100, 100}).empty());
    // On a straight page the outline is the box's corner pixels.
    PageFrame frame;
    frame.scale = 0.5;
    frame.page = {100, 100};
    const Outline expected = {cv::Point(20, 20), cv::Point(29, 20), cv::Point(29, 29),
                              cv::Point(20, 29)};
    EXPECT_EQ(outlineOnPage({10, 10, 5, 5}, frame), expected);
}

TEST(PageFrame, TurnedBlocksMapToTheirCornersOnThePage) {
    // A working page turned 90 degrees about (50, 50) at scale 2: the block's
    // corners land turned, and its box bounds them.
    PageFrame frame;
    frame.scale = 2;
    frame.straight = false;
    frame.page = {50, 50};
    frame.toScaled = cv::getRotationMatrix2D(cv::Point2f(50, 50), 90, 1);
    const cv::Rect r(20, 40, 40, 20);
    const cv::Rect box = boxOnPage(r, frame);
    EXPECT_EQ(box, cv::Rect(20, 20, 10, 20));
    const Outline outline = outlineOnPage(r, frame);
    for (const cv::Point& p : outline)
        EXPECT_TRUE(box.contains(p)) << p;
    // Far off the page, nothing is left and no corner leaves the page.
    EXPECT_TRUE(boxOnPage({100000, 100000, 10, 10}, frame).empty());
    for (const cv::Point& p : outlineOnPage({-100000, 0, 10, 10}, frame))
        EXPECT_TRUE(cv::Rect(0, 0, 50, 50).contains(p)) << p;
}

} // namespace
} // namespace pagecut
