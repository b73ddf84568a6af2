// SPDX-License-Identifier: Apache-2.0
// The regrouping rules on hand-made block lists, with U = 20 pixels.
#include "paragraph/grouping.h"

#include <gtest/gtest.h>

#include "paragraph/scale.h"
#include "tests/support/test_images.h"

namespace pagecut {
namespace {

constexpr double kUnit = 20;

std::vector<cv::Rect> boxesOf(const std::vector<BlockGroup>& groups) {
    std::vector<cv::Rect> boxes;
    for (const BlockGroup& g : groups)
        boxes.push_back(g.box);
    return boxes;
}

// Boxes given to a grouping step and the groups expected of it.
struct GroupingCase {
    const char* what;
    std::vector<cv::Rect> given;
    std::vector<cv::Rect> grouped;
};

std::vector<BlockGroup> linesOf(const std::vector<cv::Rect>& boxes) {
    std::vector<BlockGroup> lines;
    for (std::size_t k = 0; k < boxes.size(); ++k)
        lines.push_back({boxes[k], static_cast<int>(k), false});
    return lines;
}

TEST(Paragraphs, BlocksJoinIntoLinesOnlyWhenLevelAndClose) {
    const GroupingCase cases[] = {
        {"words of one line", {{0, 0, 50, 20}, {80, 2, 50, 18}}, {{0, 0, 130, 20}}},
        {"a gap over 2 U", {{0, 0, 50, 20}, {91, 0, 50, 20}}, {{0, 0, 50, 20}, {91, 0, 50, 20}}},
        {"two rows", {{0, 0, 50, 20}, {60, 12, 50, 20}}, {{0, 0, 50, 20}, {60, 12, 50, 20}}},
        {"a block of several lines",
         {{0, 0, 40, 60}, {50, 0, 200, 20}},
         {{0, 0, 40, 60}, {50, 0, 200, 20}}},
        {"two list columns: a column edge between them",
         {{0, 0, 60, 20},
          {90, 0, 60, 20},
          {0, 25, 60, 20},
          {90, 25, 60, 20},
          {0, 50, 60, 20},
          {90, 50, 60, 20},
          {0, 75, 60, 20},
          {90, 75, 60, 20}},
         {{0, 0, 60, 20},
          {90, 0, 60, 20},
          {0, 25, 60, 20},
          {90, 25, 60, 20},
          {0, 50, 60, 20},
          {90, 50, 60, 20},
          {0, 75, 60, 20},
          {90, 75, 60, 20}}},
        {"the same words on one line", {{0, 0, 60, 20}, {90, 0, 60, 20}}, {{0, 0, 150, 20}}},
    };
    for (const GroupingCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(boxesOf(joinLines(c.given, kUnit)), c.grouped);
    }
}

TEST(Paragraphs, ColumnEdgesAreWhereManyBlocksAlignAndFewCross) {
    std::vector<cv::Rect> blocks;
    for (int row = 0; row < 4; ++row) {
        blocks.push_back({0, row * 25, 60, 20});
        blocks.push_back({90, row * 25, 60, 20});
    }
    EXPECT_EQ(columnEdges(blocks, kUnit), (std::vector<int>{0, 60, 90, 150}));
    // Lines beside them that cross the middle by more than U/2 on each side.
    for (int row = 0; row < 4; ++row)
        blocks.push_back({0, row * 25, 150, 20});
    EXPECT_EQ(columnEdges(blocks, kUnit), (std::vector<int>{0, 150}));
}

TEST(Paragraphs, LinesJoinIntoParagraphsByGapColumnAndFreeSpace) {
    const GroupingCase cases[] = {
        {"evenly spaced lines, then a wider gap",
         {{0, 0, 400, 20}, {0, 25, 400, 20}, {0, 50, 300, 20}, {0, 100, 400, 20}},
         {{0, 0, 400, 70}, {0, 100, 400, 20}}},
        {"two columns listed column by column",
         {{0, 0, 200, 20}, {0, 25, 200, 20}, {250, 0, 200, 20}, {250, 25, 200, 20}},
         {{0, 0, 200, 45}, {250, 0, 200, 45}}},
        {"columns interleaved line by line",
         {{0, 0, 200, 20}, {250, 0, 200, 20}, {0, 25, 200, 20}, {250, 25, 200, 20}},
         {{0, 0, 200, 45}, {250, 0, 200, 45}}},
        {"a join that would cover a later line",
         {{0, 0, 100, 20}, {200, 25, 100, 20}, {150, 26, 30, 15}},
         {{0, 0, 100, 20}, {200, 25, 100, 20}, {150, 26, 30, 15}}},
        {"paragraphs parted only by a short last line and an indent",
         {{20, 0, 380, 20},
          {0, 25, 400, 20},
          {0, 50, 300, 20},
          {20, 75, 380, 20},
          {0, 100, 400, 20}},
         {{0, 0, 400, 70}, {0, 75, 400, 45}}},
        {"a centred heading over body text whose left edge lines share",
         {{150, 0, 100, 20}, {0, 25, 400, 20}, {0, 50, 400, 20}, {0, 75, 400, 20}},
         {{150, 0, 100, 20}, {0, 25, 400, 70}}},
        {"centred lines of a title stay together",
         {{100, 0, 200, 20}, {150, 25, 100, 20}, {50, 50, 300, 20}},
         {{50, 0, 300, 70}}},
        {"lines that barely overlap horizontally",
         {{0, 0, 200, 20}, {150, 25, 200, 20}},
         {{0, 0, 200, 20}, {150, 25, 200, 20}}},
    };
    for (const GroupingCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(boxesOf(joinParagraphs(linesOf(c.given), kUnit)), c.grouped);
    }
}

TEST(Paragraphs, RunsOfNarrowLinesSideBySideBecomeOneTableThatJoinsNothing) {
    // A heading, three rows of two cells listed column by column, a paragraph.
    std::vector<cv::Rect> lines = {{0, 0, 400, 20},   {0, 30, 60, 20},   {0, 55, 60, 20},
                                   {0, 80, 60, 20},   {100, 30, 60, 20}, {100, 55, 60, 20},
                                   {100, 80, 60, 20}, {0, 105, 400, 20}};
    const std::vector<BlockGroup> grouped = joinTables(linesOf(lines), kUnit);
    ASSERT_EQ(grouped.size(), 3u);
    EXPECT_EQ(grouped[1].box, cv::Rect(0, 30, 160, 70));
    EXPECT_TRUE(grouped[1].table);
    EXPECT_EQ(boxesOf(joinParagraphs(grouped, kUnit)), boxesOf(grouped));

    // Narrow lines stacked without a neighbour beside them are no table, nor
    // are columns of text lines 15 U long side by side.
    lines = {{0, 0, 60, 20}, {0, 25, 60, 20}, {0, 50, 60, 20}};
    EXPECT_EQ(boxesOf(joinTables(linesOf(lines), kUnit)), lines);
    lines.clear();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            lines.push_back({column * 330, row * 25, 300, 20});
    }
    EXPECT_EQ(boxesOf(joinTables(linesOf(lines), kUnit)), lines);
}

TEST(Paragraphs, StackedRulesOfOneExtentMakeARuledTableThatTakesTheGroupsInside) {
    cv::Mat ink = test::blankImage(450, 450);
    const std::vector<cv::Rect> rules = {{10, 10, 400, 2},
                                         {10, 60, 400, 3},
                                         {12, 110, 398, 2},
                                         {10, 160, 400, 2},
                                         {10, 400, 400, 2}};
    for (const cv::Rect& r : rules)
        test::fill(ink, r);
    test::fill(ink, {10, 200, 150, 2});  // too short for a rule
    test::fill(ink, {10, 230, 400, 20}); // too thick: a bar
    ASSERT_EQ(horizontalRules(ink, kUnit), rules);
    // The last rule is over 8 U below the one before: no part of the table.
    const std::vector<cv::Rect> tables = ruledTables(rules, kUnit);
    ASSERT_EQ(tables, std::vector<cv::Rect>{cv::Rect(10, 10, 400, 152)});

    const std::vector<BlockGroup> grouped = joinRuledTables(
        linesOf({{0, 150, 100, 100}, {20, 20, 100, 20}, {150, 70, 200, 20}, {20, 300, 300, 20}}),
        tables);
    ASSERT_EQ(grouped.size(), 3u);
    EXPECT_EQ(grouped[0].box, cv::Rect(0, 150, 100, 100)); // mostly outside
    EXPECT_EQ(grouped[1].box, tables[0]);
    EXPECT_EQ(grouped[1].first, 1);
    EXPECT_TRUE(grouped[1].table);
    EXPECT_EQ(grouped[2].box, cv::Rect(20, 300, 300, 20));
}

TEST(Paragraphs, CleaningSplitsAtBlankRowsAndGuttersAndDropsNoise) {
    cv::Mat ink = test::blankImage(600, 400);
    test::fill(ink, {10, 10, 90, 15}); // two lines of two words in one block ...
    test::fill(ink, {110, 10, 100, 15});
    test::fill(ink, {10, 30, 70, 15}); // ... one blank row apart
    test::fill(ink, {90, 30, 70, 15});
    test::fill(ink, {10, 100, 300, 3}); // a thin rule
    test::fill(ink, {400, 10, 5, 5});   // a speck
    test::fill(ink, {235, 15, 5, 5});   // and one 1.25 U beside a line
    for (int x = 10; x < 210; x += 3) { // two columns of touching lines 9 pixels apart
        test::fill(ink, {x, 150, 1, 120});
        test::fill(ink, {x + 208, 150, 1, 120});
    }
    cv::Mat glyphs = ink.clone();
    test::fill(ink, {450, 300, 100, 80}, 1); // a picture: no character-sized ink
    test::fill(ink, {550, 10, 30, 100});     // a sliver of the book edge
    for (int x = 450; x < 550; x += 3)       // scanner noise: no glyphs
        test::fill(ink, {x, 200, 1, 80});
    const std::vector<cv::Rect> cleaned = cleanBlocks({{0, 0, 300, 60},
                                                       {0, 95, 400, 20},
                                                       {395, 5, 20, 20},
                                                       {5, 145, 420, 130},
                                                       {440, 290, 120, 100},
                                                       {545, 5, 40, 110},
                                                       {445, 195, 110, 90},
                                                       {555, 145, 30, 25}},
                                                      ink, glyphs, kUnit);
    const std::vector<cv::Rect> expected = {
        {10, 10, 200, 15}, {10, 30, 150, 15}, {10, 150, 199, 120}, {218, 150, 199, 120}};
    EXPECT_EQ(cleaned, expected);
}

TEST(Paragraphs, UnitIsTheMedianSingleLineHeightOrTwoTextHeights) {
    EXPECT_EQ(lineUnit({{0, 0, 9, 20}, {0, 0, 9, 22}, {0, 0, 9, 300}, {0, 0, 9, 24}}, 10), 22);
    EXPECT_EQ(lineUnit({{0, 0, 9, 300}}, 10), 20);
    EXPECT_EQ(lineUnit({}, 12), 24);
}

} // namespace
} // namespace pagecut
