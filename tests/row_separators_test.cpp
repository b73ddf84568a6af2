// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "core/table_logic.h"
#include "strategies/row_separators.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using namespace pagecut::test;

namespace {

// A child of a framed table drawn in page polarity (ink 1): rules 2 rows and
// lines of text 6 rows high. It is carved inverted, as the driver hands it over.
struct TableBlock {
    cv::Mat page;
    cv::Rect rect;

    TableBlock(cv::Size size, cv::Rect block)
        : page(blankImage(size.width, size.height)), rect(block) {}
    TableBlock& rule(int y) {
        fill(page, cv::Rect(rect.x, rect.y + y, rect.width, 2));
        return *this;
    }
    TableBlock& text(int x, int y, int width) {
        fill(page, cv::Rect(rect.x + x, rect.y + y, width, 6));
        return *this;
    }
    cv::Mat inverted() const { return 1 - page; }
    cv::Mat carve(int tableLogic = 1, bool boxPass = false) const {
        cv::Mat image = inverted();
        Region block;
        block.rect = rect;
        block.inverted = true;
        SegmentationParams params = layoutPassParams({});
        params.boxPass = boxPass;
        TABLE_LOGIC = tableLogic;
        carveRowSeparators(image, block, params);
        TABLE_LOGIC = 1;
        return image;
    }
    // True when carving gives exactly the inverted block with lines across it on `rows`.
    bool carvesLines(std::initializer_list<int> rows, int tableLogic = 1) const {
        cv::Mat expected = inverted();
        for (const int y : rows)
            fill(expected, cv::Rect(rect.x, rect.y + y, rect.width, 1), 0);
        return cv::countNonZero(carve(tableLogic) != expected) == 0;
    }
};

// Two heading lines, a rule on row 20, and one column of body lines every 14
// rows from `bodyTop`, in a block 100 x 100 at (10, 10).
TableBlock headedTable(int bodyTop) {
    TableBlock table({120, 120}, {10, 10, 100, 100});
    table.text(5, 2, 35).text(5, 10, 35).rule(20);
    for (int y = bodyTop; y + 6 <= 100; y += 14)
        table.text(5, y, 60);
    return table;
}

} // namespace

TEST(CarveRowSeparators, LineTwoRowsAboveEveryLaterLineOfATallLastStrip) {
    // The heading strip's second line lies above the last strip: no line there.
    const TableBlock table = headedTable(30);
    EXPECT_TRUE(table.carvesLines({42, 56, 70, 84}, 1));
    EXPECT_EQ(cv::countNonZero(table.carve(1, true) != table.inverted()), 0); // box pass
    TableBlock single({120, 120}, {10, 10, 100, 100});
    for (int y = 2; y + 6 <= 100; y += 14)
        single.text(5, y, 60);
    EXPECT_TRUE(single.carvesLines({}, 2)); // a single strip
}

TEST(CarveRowSeparators, TableLogicOneKeepsTwoOrThreeStripsWithATallLastOne) {
    EXPECT_TRUE(headedTable(50).carvesLines({8, 62, 76, 90}, 1)); // last strip 50 of 100 rows
    EXPECT_TRUE(headedTable(51).carvesLines({}, 1));
    EXPECT_TRUE(headedTable(51).carvesLines({8, 63, 77, 91}, 2));
    TableBlock four({120, 120}, {10, 10, 100, 100});
    four.text(5, 2, 35).rule(10).text(5, 14, 35).rule(22).text(5, 26, 35).rule(34);
    for (const int y : {40, 54, 68, 82})
        four.text(5, y, 60);
    EXPECT_TRUE(four.carvesLines({}, 1));
    EXPECT_TRUE(four.carvesLines({52, 66, 80}, 2));
}

TEST(CarveRowSeparators, FirstColumnStartingMoreThanTenPixelsFurtherLeftStartsARow) {
    // The second column has text on the first and last lines only; the first
    // column's text starts 26, then 16 or 15, then 0 pixels into the column.
    for (const int start : {16, 15}) {
        TableBlock table({120, 120}, {10, 10, 100, 100});
        table.text(5, 2, 35).rule(20).text(31, 30, 20).text(70, 30, 20).text(5 + start, 44, 20);
        table.text(5, 58, 30).text(5, 72, 30).text(70, 72, 20);
        const cv::Mat carved = table.carve(1);
        EXPECT_EQ(carved.at<std::uint8_t>(10 + 42, 10), start == 15 ? 0 : 1) << start;
        EXPECT_EQ(carved.at<std::uint8_t>(10 + 56, 10), 0) << start;
    }
}

TEST(CarveRowSeparators, MostlyEmptyFirstColumnMovesLinesToTheSecondColumn) {
    // Block on the image's top and right edges; columns apart by white space
    // only. Lines start at the second column and run past the block, clipped
    // to the image; vertical lines go up from each second column to the rule
    // above it, or to the image's first row.
    TableBlock table({130, 110}, {10, 0, 120, 100});
    table.text(5, 4, 30).text(60, 4, 20).rule(20).text(10, 30, 30).text(10, 58, 30);
    for (const int y : {30, 44, 58, 72})
        table.text(70, y, 20);
    cv::Mat expected = table.inverted();
    for (const int y : {42, 56, 70})
        fill(expected, cv::Rect(80, y, 50, 1), 0);
    fill(expected, cv::Rect(68, 0, 1, 20), 0);
    fill(expected, cv::Rect(78, 21, 1, 79), 0);
    EXPECT_EQ(cv::countNonZero(table.carve(1) != expected), 0);

    // One line in four without first-column text is not enough to move them.
    table.text(10, 72, 30);
    EXPECT_EQ(table.carve(1).at<std::uint8_t>(42, 10), 0);
}
