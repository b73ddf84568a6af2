// SPDX-License-Identifier: Apache-2.0
// The reading order from the column structure: hand-made block lists with
// U = 20 pixels, given row by row across the columns as the cuts would give
// them, and one generated page read through the paragraph mode.
#include "paragraph/reading_order.h"

#include <gtest/gtest.h>

#include "pagecut/pagecut.h"
#include "tests/support/block_groups.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

using test::kUnit;

TEST(ReadingOrder, ColumnsBandsHeadsFootnotesAndMarginalNotes) {
    const struct {
        const char* what;
        std::vector<cv::Rect> blocks;
        std::vector<std::size_t> order;
    } cases[] = {
        {"nothing", {}, {}},
        {"first headings at different heights",
         {{500, 60, 150, 20}, {500, 90, 400, 240}, {50, 100, 200, 20}, {50, 130, 400, 200}},
         {2, 3, 0, 1}},
        {"a full-width table between two bands of two columns",
         {{50, 50, 400, 200},
          {500, 50, 400, 200},
          {50, 280, 850, 150},
          {50, 460, 400, 200},
          {500, 460, 400, 200}},
         {0, 1, 2, 3, 4}},
        {"footnotes at the foot of each column, one a single line",
         {{50, 50, 400, 500}, {500, 50, 400, 450}, {50, 580, 400, 60}, {500, 580, 400, 20}},
         {0, 2, 1, 3}},
        {"a title centred over the gutter above a heading outside it",
         {{300, 20, 350, 60}, {500, 90, 400, 330}, {50, 100, 100, 20}, {50, 130, 400, 290}},
         {0, 2, 3, 1}},
        {"three authors in a row under a title, over two columns",
         {{50, 170, 400, 300},
          {700, 80, 200, 60},
          {200, 20, 600, 40},
          {500, 170, 400, 300},
          {60, 80, 200, 60},
          {380, 80, 200, 60}},
         {2, 4, 5, 1, 0, 3}},
        {"a column's last paragraph close over a full-width figure",
         {{50, 50, 400, 300},
          {500, 50, 400, 200},
          {500, 270, 400, 300},
          {50, 370, 400, 200},
          {50, 590, 850, 200}},
         {0, 3, 1, 2, 4}},
        {"a footnote rule reaching into the gutter",
         {{50, 50, 400, 400}, {500, 50, 400, 500}, {50, 470, 455, 3}, {50, 480, 400, 40}},
         {0, 2, 3, 1}},
        {"a marginal note beside its paragraph",
         {{100, 50, 600, 100}, {20, 175, 60, 40}, {100, 170, 600, 150}, {100, 340, 600, 100}},
         {0, 2, 1, 3}},
        {"a running head and page number over two columns",
         {{50, 60, 400, 300}, {850, 10, 40, 20}, {500, 60, 400, 300}, {50, 10, 300, 20}},
         {3, 1, 0, 2}},
        {"a single column keeps its order",
         {{100, 20, 300, 20},
          {650, 20, 30, 20},
          {100, 70, 580, 200},
          {100, 290, 580, 120},
          {100, 430, 580, 150},
          {500, 620, 80, 20}},
         {0, 1, 2, 3, 4, 5}},
        {"overlapping blocks still come out once each, highest first",
         {{50, 200, 300, 100}, {40, 40, 300, 300}, {40, 40, 300, 300}, {60, 60, 100, 100}},
         {1, 2, 3, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readingOrder(c.blocks, kUnit), c.order) << c.what;
}

// The index of the block holding the middle of `area`, or -1.
int blockAt(const std::vector<cv::Rect>& blocks, const cv::Rect& area) {
    const cv::Point middle(area.x + area.width / 2, area.y + area.height / 2);
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        if (blocks[k].contains(middle))
            return static_cast<int>(k);
    }
    return -1;
}

TEST(ReadingOrder, GeneratedPageIsReadColumnByColumnWithinItsBands) {
    cv::Mat page = pagegen::blankPage(1240, 1700);
    const pagegen::TextStyle title{1.2, 2, 10};
    pagegen::drawTextLine(page, "Titles over the gutter", {390, 40}, title);
    // The right column's heading stands higher than the left one's.
    pagegen::drawTextLine(page, "Second heading", {660, 120}, title);
    pagegen::drawTextLine(page, "First heading", {60, 200}, title);
    const cv::Rect left1(60, 260, 540, 420), right1(660, 190, 540, 490);
    pagegen::drawParagraph(page, left1, 14, 1);
    pagegen::drawParagraph(page, right1, 16, 2);
    const cv::Rect table(60, 760, 1140, 260);
    pagegen::drawRuledTable(page, table, 6, 4, 3);
    const cv::Rect left2(60, 1100, 540, 300), right2(660, 1100, 540, 300);
    pagegen::drawParagraph(page, left2, 10, 4);
    pagegen::drawParagraph(page, right2, 10, 5);
    // Footnotes at the foot of each column, the left one under a rule that
    // reaches into the gutter.
    const pagegen::TextStyle small{0.45, 1, 6};
    page(cv::Rect(60, 1440, 570, 2)).setTo(0);
    const cv::Rect note1(60, 1460, 540, 60), note2(660, 1460, 540, 60);
    pagegen::drawParagraph(page, note1, 3, 6, small);
    pagegen::drawParagraph(page, note2, 3, 7, small);
    PageBlocks result;
    ASSERT_EQ(cutPage(page, PageBox{}, PageOptions{1, true}, result), PageStatus::Ok);
    const cv::Rect read[] = {{390, 40, 440, 30},
                             {60, 200, 250, 30},
                             left1,
                             {660, 120, 280, 30},
                             right1,
                             table,
                             left2,
                             right2};
    int previous = -1;
    for (const cv::Rect& area : read) {
        const int k = blockAt(result.blocks, area);
        EXPECT_GT(k, previous) << "the block at " << area.x << "," << area.y;
        previous = k;
    }
}

TEST(ReadingOrder, GeneratedColumnIsReadDownWithItsMarginalNoteAfterItsParagraph) {
    cv::Mat page = pagegen::blankPage(1000, 1000);
    const cv::Rect head(200, 40, 150, 16), number(880, 40, 24, 16);
    pagegen::drawTextLine(page, "running head", {head.x, head.y});
    pagegen::drawTextLine(page, "17", {number.x, number.y});
    const cv::Rect first(200, 120, 720, 200), second(200, 360, 720, 260), third(200, 660, 720, 260);
    pagegen::drawParagraph(page, first, 7, 1);
    pagegen::drawParagraph(page, second, 9, 2);
    pagegen::drawParagraph(page, third, 9, 3);
    const cv::Rect note(40, 400, 120, 60);
    pagegen::drawParagraph(page, note, 2, 4, {0.45, 1, 6});
    PageBlocks result;
    ASSERT_EQ(cutPage(page, PageBox{}, PageOptions{1, true}, result), PageStatus::Ok);
    int previous = -1;
    for (const cv::Rect& area : {head, number, first, second, note, third}) {
        const int k = blockAt(result.blocks, area);
        EXPECT_GT(k, previous) << "the block at " << area.x << "," << area.y;
        previous = k;
    }
}

} // namespace
} // namespace pagecut
