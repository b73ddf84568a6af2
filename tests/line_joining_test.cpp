// SPDX-License-Identifier: Apache-2.0
// Lines from blocks, on hand-made block lists with U = 20 pixels.
#include "paragraph/line_joining.h"

#include <gtest/gtest.h>

#include "tests/support/block_groups.h"

namespace pagecut {
namespace {

using test::boxesOf;
using test::GroupingCase;
using test::kUnit;
using test::linesOf;

TEST(LineJoining, BlocksJoinIntoLinesOnlyWhenLevelAndClose) {
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

TEST(LineJoining, ColumnEdgesAreWhereManyBlocksAlignAndFewCross) {
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

} // namespace
} // namespace pagecut
