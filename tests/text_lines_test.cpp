// SPDX-License-Identifier: Apache-2.0
// Text lines of a block, on small drawn images with U = 20 pixels.
#include "paragraph/text_lines.h"

#include <gtest/gtest.h>

#include "tests/support/block_groups.h"
#include "tests/support/test_images.h"

namespace pagecut {
namespace {

using test::kUnit;

// Whether the lines are the expected ones: x exact, top and bottom within
// a row, as a cut between touching lines may fall one row either way.
void expectLines(const std::vector<cv::Rect>& lines, const std::vector<cv::Rect>& expected) {
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(lines[k].x, expected[k].x);
        EXPECT_EQ(lines[k].width, expected[k].width);
        EXPECT_NEAR(lines[k].y, expected[k].y, 1);
        EXPECT_NEAR(lines[k].br().y, expected[k].br().y, 1);
    }
}

// A line of type: a core 10 rows high at `top`, from x 10 to `end`, with a
// stem every 30 columns reaching `reach` rows above and below the core.
void drawLine(cv::Mat& ink, int top, int end, int reach) {
    test::fill(ink, {10, top, end - 10, 10});
    for (int x = 15; x < end; x += 30)
        test::fill(ink, {x, top - reach, 2, 10 + 2 * reach});
}

TEST(TextLines, TouchingLinesAreCutAtTheirValleysAndAccentsStay) {
    cv::Mat ink = test::blankImage(400, 200);
    drawLine(ink, 20, 390, 6); // stems 6 rows long: the lines touch (pitch 22),
    drawLine(ink, 42, 390, 6);
    drawLine(ink, 64, 200, 6);         // and a short last line touches the one above
    test::fill(ink, {50, 110, 20, 3}); // an accent 3 rows above the next core
    test::fill(ink, {10, 116, 300, 10});
    const std::vector<cv::Rect> lines = splitLines(ink, {0, 0, 400, 200}, kUnit);
    expectLines(lines,
                {{10, 14, 380, 22}, {10, 36, 380, 24}, {10, 60, 190, 20}, {10, 110, 300, 16}});
    EXPECT_TRUE(splitLines(ink, {0, 180, 400, 20}, kUnit).empty());
}

TEST(TextLines, LinesOfABlockAreSplitJoinedTrimmedAndInReadingOrder) {
    cv::Mat ink = test::blankImage(400, 200);
    drawLine(ink, 20, 390, 6);
    drawLine(ink, 42, 390, 6);
    test::fill(ink, {10, 100, 150, 10}); // one line in two pieces 1.5 U apart ...
    test::fill(ink, {190, 102, 100, 10});
    test::fill(ink, {340, 101, 50, 10}); // and a figure 2.5 U beside it
    // ... given in the wrong order, with room around them, the two touching
    // lines as one box.
    const std::vector<cv::Rect> lines = textLines(
        ink, {{330, 95, 70, 30}, {185, 95, 120, 30}, {0, 98, 180, 20}, {0, 10, 400, 60}}, kUnit);
    expectLines(lines,
                {{10, 14, 380, 22}, {10, 36, 380, 22}, {10, 100, 280, 12}, {340, 101, 50, 10}});

    std::vector<cv::Rect> cells = {{200, 10, 50, 10}, {10, 12, 50, 10}, {10, 40, 50, 10}};
    sortLines(cells);
    EXPECT_EQ(cells,
              (std::vector<cv::Rect>{{10, 12, 50, 10}, {200, 10, 50, 10}, {10, 40, 50, 10}}));
}

} // namespace
} // namespace pagecut
