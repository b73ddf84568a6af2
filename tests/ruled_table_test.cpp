// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "strategies/ruled_table.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using namespace pagecut::test;

namespace {

using Rects = std::vector<cv::Rect>;

// A block 100 rows high at (20, top) of a page: lines 4 rows high above an
// upper rule on rows 40..41 (top row, and whether the line reaches into every
// narrow column), two body lines in `columns`, a lower rule on rows 80..81 and
// a line of text below it.
struct RuledTable {
    int width = 200;
    int top = 30;
    std::vector<cv::Range> columns{{10, 100}, {130, 148}, {175, 193}};
    cv::Range lowerRule{5, 195};
    std::vector<std::pair<int, bool>> linesAbove{{5, false}, {20, true}};

    cv::Mat draw() const {
        cv::Mat page = blankImage(width + 40, top + 110);
        cv::Mat block = page(cv::Rect(20, top, width, 100));
        for (const auto& [y, spans] : linesAbove) {
            fill(block, cv::Rect(columns[0].start, y, columns[0].size(), 4));
            for (std::size_t k = 1; spans && k < columns.size(); ++k)
                fill(block, cv::Rect(columns[k].start + 2, y, 6, 4));
        }
        fill(block, cv::Rect(5, 40, width - 10, 2));
        for (const cv::Range& column : columns)
            for (const int y : {50, 65})
                fill(block, cv::Rect(column.start, y, column.size(), 6));
        fill(block, cv::Rect(lowerRule.start, 80, lowerRule.size(), 2));
        fill(block, cv::Rect(10, 88, 90, 6));
        return page;
    }
    Rects isolate(cv::Mat& page) const {
        Region block;
        block.rect = cv::Rect(20, top, width, 100);
        Rects rects;
        for (const Region& child :
             isolateRuledTable(page, block, layoutPassParams({}), rowProfile(page(block.rect))))
            rects.push_back(child.rect);
        return rects;
    }
    bool found() const {
        cv::Mat page = draw();
        return !isolate(page).empty();
    }
};

} // namespace

TEST(FindRuleRows, RowsWithNinetyFivePercentInkAreRules) {
    EXPECT_EQ(findRuleRows(profileOf({190, 189, 200, 0, 195}), 200, 0),
              (RunList{0, 1, 2, 3, 4, 5}));
}

TEST(MeasureRuleExtents, LongestLeftmostRunOnTheMiddleRowOfEachRule) {
    cv::Mat page = blankImage(40, 10);
    fill(page, cv::Rect(8, 4, 6, 1));  // block x 3..8
    fill(page, cv::Rect(17, 4, 6, 1)); // as long, further right
    fill(page, cv::Rect(5, 3, 30, 1)); // off the middle row
    EXPECT_EQ(measureRuleExtents(page, cv::Rect(5, 2, 30, 6), {1, 4, 4, 6}),
              (std::vector<RuleExtent>{{3, 9}, {0, 0}}));
}

TEST(IsolateRuledTable, CutsTopTableAndBottomAndClosesTheTable) {
    const RuledTable table;
    cv::Mat page = table.draw();
    cv::Mat expected = page.clone();
    fill(expected, cv::Rect(25, 48, 190, 1)); // two rows above the heading
    fill(expected, cv::Rect(25, 48, 1, 62));
    fill(expected, cv::Rect(214, 48, 1, 62));
    EXPECT_EQ(table.isolate(page),
              (Rects{{20, 30, 200, 18}, {20, 48, 200, 62}, {20, 112, 200, 18}}));
    EXPECT_EQ(cv::countNonZero(page != expected), 0);
}

TEST(IsolateRuledTable, RulesPairTwoAtATimeWithEndsWithinFourPixels) {
    RuledTable table;
    table.lowerRule = {9, 199};
    EXPECT_TRUE(table.found());
    table.lowerRule = {0, 195};
    EXPECT_FALSE(table.found());
    table.lowerRule = {5, 200};
    EXPECT_FALSE(table.found());
    // A first rule on row 14 pairs with the upper rule, which then cannot
    // pair with the lower one: nothing found and nothing drawn.
    cv::Mat page = RuledTable().draw();
    fill(page, cv::Rect(20, 44, 195, 2));
    const cv::Mat before = page.clone();
    EXPECT_TRUE(RuledTable().isolate(page).empty());
    EXPECT_EQ(cv::countNonZero(page != before), 0);
}

TEST(IsolateRuledTable, FirstColumnWidestAndOthersAtMostATenthOfTheBlock) {
    RuledTable table;
    table.width = 300;
    table.lowerRule = {5, 295};
    table.columns = {{10, 130}, {160, 175}, {210, 240}};
    EXPECT_TRUE(table.found());
    table.columns = {{10, 130}, {160, 175}, {210, 241}};
    EXPECT_FALSE(table.found());
    table.columns = {{10, 39}, {100, 130}};
    EXPECT_FALSE(table.found());
}

TEST(IsolateRuledTable, HeadingIsSoughtAmongTheFiveLinesAboveTheRule) {
    RuledTable table;
    table.linesAbove = {{1, true}, {7, false}, {13, false}, {19, false}, {25, false}, {31, false}};
    EXPECT_FALSE(table.found());
    table.linesAbove.erase(table.linesAbove.begin());
    table.linesAbove.front().second = true;
    cv::Mat page = table.draw();
    const Rects children = table.isolate(page);
    ASSERT_FALSE(children.empty());
    EXPECT_EQ(children.front().y, 35); // two rows above the highest line
}

TEST(IsolateRuledTable, HeadingOnThePageTopLeavesNoTopStrip) {
    RuledTable table;
    table.top = 0;
    table.linesAbove = {{1, true}};
    cv::Mat page = table.draw();
    EXPECT_EQ(table.isolate(page), (Rects{{20, 0, 200, 80}, {20, 82, 200, 18}}));
    EXPECT_EQ(page.at<std::uint8_t>(0, 25), 1);
    EXPECT_EQ(page.at<std::uint8_t>(79, 214), 1);
}
