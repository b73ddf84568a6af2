// SPDX-License-Identifier: Apache-2.0
// Joining runs of consecutive blocks: columns collapse, neighbours stay apart.
#include "segment/merge.h"

#include "core/rect_algebra.h"

#include <gtest/gtest.h>

namespace pagecut {
namespace {

Region block(int x, int y, int w, int h, bool inCell = false) {
    Region r;
    r.rect = cv::Rect(x, y, w, h);
    r.inCell = inCell;
    return r;
}

std::vector<cv::Rect> merged(std::vector<Region> input) {
    std::vector<Region> output;
    mergeRegions(std::move(input), output);
    std::vector<cv::Rect> rects;
    for (const Region& r : output)
        rects.push_back(r.rect);
    return rects;
}

using Rects = std::vector<cv::Rect>;

TEST(Overlaps, SharedEdgeOrCornerIsNoOverlap) {
    const cv::Rect a(0, 0, 10, 10);
    EXPECT_FALSE(overlaps(a, cv::Rect(10, 0, 10, 10)));
    EXPECT_FALSE(overlaps(a, cv::Rect(0, 10, 10, 10)));
    EXPECT_FALSE(overlaps(a, cv::Rect(10, 10, 5, 5)));
    EXPECT_TRUE(overlaps(a, cv::Rect(9, 9, 5, 5)));
    EXPECT_TRUE(overlaps(cv::Rect(2, 2, 1, 1), a));
}

TEST(MergeRegions, EmptyAndSingleBlockListsPassThrough) {
    EXPECT_TRUE(merged({}).empty());
    std::vector<Region> output;
    mergeRegions({block(3, 4, 5, 6, true)}, output);
    ASSERT_EQ(output.size(), 1u);
    EXPECT_EQ(output[0].rect, cv::Rect(3, 4, 5, 6));
    EXPECT_TRUE(output[0].inCell);
}

TEST(MergeRegions, ColumnsCollapseIntoOneBlockEach) {
    // Three blocks stacked in one column.
    EXPECT_EQ(merged({block(10, 0, 50, 10), block(12, 20, 40, 10), block(8, 40, 50, 5)}),
              Rects({cv::Rect(8, 0, 52, 45)}));
    // L1 L2 R1 R2: the left column cannot take R1 without covering R2.
    EXPECT_EQ(merged({block(0, 0, 40, 10), block(0, 20, 40, 10), block(60, 0, 40, 10),
                      block(60, 20, 40, 10)}),
              Rects({cv::Rect(0, 0, 40, 30), cv::Rect(60, 0, 40, 30)}));
    // L1 L2 R1: nothing follows R1, so it joins the run.
    EXPECT_EQ(merged({block(0, 0, 40, 10), block(0, 20, 40, 10), block(60, 0, 40, 10)}),
              Rects({cv::Rect(0, 0, 100, 30)}));
}

TEST(MergeRegions, LastBlockJoinsEvenWhenTheBoxCoversAnEarlierOutput) {
    // A top left, B bottom right, C top right, D bottom left.
    EXPECT_EQ(merged({block(0, 0, 10, 10), block(20, 20, 10, 10), block(20, 0, 10, 10),
                      block(0, 20, 10, 10)}),
              Rects({cv::Rect(0, 0, 10, 10), cv::Rect(0, 0, 30, 30)}));
    // Before the end, covering an earlier output stops the run: B + C, then D + E.
    EXPECT_EQ(merged({block(0, 0, 10, 10), block(20, 20, 10, 10), block(20, 0, 10, 10),
                      block(0, 20, 10, 10), block(0, 100, 10, 10)}),
              Rects({cv::Rect(0, 0, 10, 10), cv::Rect(20, 0, 10, 30), cv::Rect(0, 20, 10, 90)}));
}

TEST(MergeRegions, TouchingBlocksDoNotStopARun) {
    // A and B's box only touches C: if it counted, A, B and C + D would stay apart.
    EXPECT_EQ(merged({block(0, 0, 10, 10), block(0, 20, 10, 10), block(10, 0, 10, 30),
                      block(0, 40, 5, 5)}),
              Rects({cv::Rect(0, 0, 20, 45)}));
}

TEST(MergeRegions, CellBlocksAreNeverJoined) {
    EXPECT_EQ(merged({block(0, 0, 10, 5), block(0, 10, 10, 5), block(0, 20, 10, 5, true),
                      block(0, 30, 10, 5), block(0, 40, 10, 5)}),
              Rects({cv::Rect(0, 0, 10, 15), cv::Rect(0, 20, 10, 5), cv::Rect(0, 30, 10, 15)}));
    // Not even at the end of the list, where overlaps no longer count.
    EXPECT_EQ(merged({block(0, 0, 10, 5, true), block(0, 10, 10, 5), block(0, 20, 10, 5, true)}),
              Rects({cv::Rect(0, 0, 10, 5), cv::Rect(0, 10, 10, 5), cv::Rect(0, 20, 10, 5)}));
}

TEST(MergeRegions, MergedBlockKeepsTheFieldsOfTheFirstBlockOfItsRun) {
    const Region first{cv::Rect(0, 0, 10, 5), 7, 3, true, false};
    const Region second{cv::Rect(0, 10, 10, 5), 2, 8, false, false};
    std::vector<Region> output;
    mergeRegions({first, second, block(0, 20, 10, 5)}, output);
    ASSERT_EQ(output.size(), 1u);
    EXPECT_EQ(output[0].rect, cv::Rect(0, 0, 10, 25));
    EXPECT_EQ(output[0].lineGap, 7);
    EXPECT_EQ(output[0].depth, 3);
    EXPECT_TRUE(output[0].inverted);
    EXPECT_FALSE(output[0].inCell);
}

} // namespace
} // namespace pagecut
