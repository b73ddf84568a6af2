// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <sstream>

#include <opencv2/imgcodecs.hpp>

#include "tests/support/run_program.h"
#include "tools/pagegen.h"

using namespace pagecut::pagegen;
using namespace pagecut::test;

namespace {

// Runs the program on the whole of `page` and reads back its blocks.
std::vector<cv::Rect> blocksOf(const cv::Mat& page) {
    TempDir dir;
    EXPECT_TRUE(cv::imwrite(dir.path() + "page.png", page));
    const ProgramResult run = runPagecut(
        {dir.path() + "page.png", "0", "0", "0", "0", dir.path(), dir.path() + "blocks.txt"});
    EXPECT_EQ(run.exitCode, 0) << run.stdErr;
    std::istringstream lines(readFile(dir.path() + "blocks.txt"));
    std::vector<cv::Rect> blocks;
    for (cv::Rect r; lines >> r.x >> r.y >> r.width >> r.height;)
        blocks.push_back(r);
    return blocks;
}

bool inside(const cv::Rect& inner, const cv::Rect& outer) {
    return (inner & outer) == inner;
}

} // namespace

TEST(Layouts, HeadingOverTwoColumnsComesFirstThenEachColumn) {
    cv::Mat page = blankPage(600, 500);
    TextStyle heading;
    heading.scale = 1.0;
    heading.thickness = 2;
    drawTextLine(page, "A heading over both", {40, 40}, heading);
    const cv::Rect left(40, 110, 240, 330), right(320, 110, 240, 330);
    drawParagraph(page, left, 10, 1);
    drawParagraph(page, right, 10, 2);
    const std::vector<cv::Rect> blocks = blocksOf(page);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_LE(blocks[0].br().y, left.y);
    EXPECT_TRUE(blocks[0].x < left.br().x && blocks[0].br().x > right.x); // spans both
    EXPECT_TRUE(inside(blocks[1], left) && blocks[1].height > left.height / 2);
    EXPECT_TRUE(inside(blocks[2], right) && blocks[2].height > right.height / 2);
}

TEST(Layouts, ThreeColumnsComeOutLeftToRight) {
    cv::Mat page = blankPage(700, 400);
    const std::vector<cv::Rect> columns{
        {30, 40, 190, 320}, {255, 40, 190, 320}, {480, 40, 190, 320}};
    for (unsigned k = 0; k < columns.size(); ++k)
        drawParagraph(page, columns[k], 10, k + 1);
    const std::vector<cv::Rect> blocks = blocksOf(page);
    ASSERT_EQ(blocks.size(), columns.size());
    for (std::size_t k = 0; k < columns.size(); ++k)
        EXPECT_TRUE(inside(blocks[k], columns[k]) && blocks[k].height > columns[k].height / 2) << k;
}

TEST(Layouts, FramedParagraphComesOutBetweenTheTextAboveAndBelow) {
    cv::Mat page = blankPage(600, 500);
    const cv::Rect box(60, 160, 480, 150), interior(63, 163, 474, 144);
    drawParagraph(page, {40, 30, 520, 100}, 3, 1);
    drawFrame(page, box, 3);
    drawParagraph(page, {90, 190, 420, 100}, 3, 2);
    drawParagraph(page, {40, 350, 520, 100}, 3, 3);
    const std::vector<cv::Rect> blocks = blocksOf(page);
    ASSERT_GE(blocks.size(), 3u);
    ASSERT_LE(blocks.size(), 5u); // at most one block per framed line
    EXPECT_LE(blocks.front().br().y, box.y);
    EXPECT_GE(blocks.back().y, box.br().y);
    for (std::size_t k = 1; k + 1 < blocks.size(); ++k)
        EXPECT_TRUE(inside(blocks[k], interior) && blocks[k].y >= blocks[k - 1].br().y) << k;
}

TEST(Layouts, GridTableCellsComeOutSeparatelyRowByRow) {
    cv::Mat page = blankPage(600, 500);
    const cv::Rect grid(40, 130, 519, 200); // 4 rows x 3 columns of cells 173 x 50
    drawParagraph(page, {40, 30, 520, 60}, 2, 1);
    drawGridTable(page, grid, 4, 3, 6);
    drawParagraph(page, {40, 380, 520, 60}, 2, 3);
    const std::vector<cv::Rect> blocks = blocksOf(page);
    ASSERT_GE(blocks.size(), 14u);
    EXPECT_LE(blocks.front().br().y, grid.y);
    EXPECT_GE(blocks.back().y, grid.br().y);
    std::vector<int> perCell(12, 0);
    int previous = 0;
    for (std::size_t k = 1; k + 1 < blocks.size(); ++k) {
        const int row = (blocks[k].y - grid.y) / 50, column = (blocks[k].x - grid.x) / 173;
        ASSERT_TRUE(row >= 0 && row < 4 && column >= 0 && column < 3) << k;
        const cv::Rect cell(grid.x + column * 173 + 2, grid.y + row * 50 + 2, 171, 48);
        EXPECT_TRUE(inside(blocks[k], cell) && row * 3 + column >= previous) << k;
        previous = row * 3 + column;
        ++perCell[previous];
    }
    EXPECT_EQ(std::count(perCell.begin(), perCell.end(), 0), 0);
}

TEST(Layouts, TwoRuleTableIsABandBetweenTheTextAboveAndBelow) {
    // Text in two columns above and below keeps the table from being merged
    // with its neighbours.
    cv::Mat page = blankPage(700, 640);
    drawParagraph(page, {40, 30, 290, 150}, 5, 1);
    drawParagraph(page, {370, 30, 290, 150}, 5, 2);
    const cv::Rect area(40, 210, 620, 260);
    const int tableBottom = drawRuledTable(page, area, 6, 3, 5);
    drawParagraph(page, {40, tableBottom + 30, 290, 150}, 4, 3);
    drawParagraph(page, {370, tableBottom + 30, 290, 150}, 4, 4);
    // One block per column above, the table from its heading's top to its
    // last body line, one block per column below.
    const std::vector<cv::Rect> blocks = blocksOf(page);
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_TRUE(inside({area.x, area.y + 2, area.width, tableBottom - 14 - area.y}, blocks[2]));
    for (const std::size_t k : {0, 1})
        EXPECT_LE(blocks[k].br().y, area.y) << k;
    for (const std::size_t k : {3, 4})
        EXPECT_GE(blocks[k].y, tableBottom) << k;
}
