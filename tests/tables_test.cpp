// SPDX-License-Identifier: Apache-2.0
// Tables from lines and rules, on hand-made lists and pages with U = 20 pixels.
#include "paragraph/tables.h"

#include <gtest/gtest.h>

#include "paragraph/paragraphs.h"
#include "tests/support/block_groups.h"
#include "tests/support/test_images.h"

namespace pagecut {
namespace {

using test::boxesOf;
using test::GroupingCase;
using test::kUnit;
using test::linesOf;

TEST(Tables, RunsOfNarrowLinesSideBySideBecomeOneTableThatJoinsNothing) {
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

TEST(Tables, StackedRulesOfOneExtentMakeARuledTableThatTakesTheGroupsInside) {
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

} // namespace
} // namespace pagecut
