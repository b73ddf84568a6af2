// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "core/cuts.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using Rects = std::vector<cv::Rect>;

namespace {

Rects rectsOf(const std::vector<Region>& regions) {
    Rects out;
    for (const Region& r : regions)
        out.push_back(r.rect);
    return out;
}

// Ink in rows 3..8 of each column range [from, to).
cv::Mat columnsImage(int width, std::initializer_list<std::pair<int, int>> columns) {
    cv::Mat image = test::blankImage(width, 12);
    for (const auto& [from, to] : columns)
        test::fill(image, cv::Rect(from, 3, to - from, 6));
    return image;
}

} // namespace

TEST(SplitIntoBands, OneBandPerInkedRunAndRulesCannotOpenOne) {
    const cv::Mat image = test::imageFromRows(
        {"##########", "###.......", "..........", "#.#.......", "##########", "###.#....."});
    SegmentationParams params = layoutPassParams({});
    params.skipRuleRows = false;
    const Region whole{{0, 0, 10, 6}};
    EXPECT_EQ(rectsOf(splitIntoBands(image, whole, params)), (Rects{{0, 0, 10, 2}, {0, 3, 10, 3}}));
    params.skipRuleRows = true; // the top rule stays out; the rule inside a run continues it
    EXPECT_EQ(rectsOf(splitIntoBands(image, whole, params)), (Rects{{0, 1, 10, 1}, {0, 3, 10, 3}}));
    EXPECT_EQ(rectsOf(splitIntoBands(image, Region{{0, 3, 10, 3}}, params)), Rects{});
    params.noiseLevel = 2; // ignored inside an inverted region
    EXPECT_EQ(rectsOf(splitIntoBands(image, Region{{0, 2, 10, 2}}, params)), Rects{});
    EXPECT_EQ(rectsOf(splitIntoBands(image, Region{{0, 2, 10, 2}, 0, 0, true}, params)),
              (Rects{{0, 3, 10, 1}}));
}

TEST(SplitIntoColumns, JoinsGapsStrictlyNarrowerThanMinGapAndKeepsTwoStrips) {
    SegmentationParams params = boxPassParams(); // minGap 10
    const Region whole{{0, 0, 30, 12}};
    EXPECT_EQ(rectsOf(splitIntoColumns(columnsImage(30, {{0, 10}, {14, 30}}), whole, params)),
              Rects{});
    const cv::Mat apart = columnsImage(30, {{0, 10}, {20, 30}});
    EXPECT_EQ(rectsOf(splitIntoColumns(apart, whole, params)),
              (Rects{{0, 0, 10, 12}, {20, 0, 10, 12}}));
    params.minGap = 11;
    EXPECT_EQ(rectsOf(splitIntoColumns(apart, whole, params)), Rects{});

    const cv::Mat three = columnsImage(70, {{0, 10}, {30, 40}, {60, 70}});
    EXPECT_EQ(rectsOf(splitIntoColumns(three, Region{{0, 0, 70, 12}}, params)),
              (Rects{{0, 0, 10, 12}, {30, 0, 40, 12}}));
    params.firstColumnOnly = false;
    EXPECT_EQ(splitIntoColumns(three, Region{{0, 0, 70, 12}}, params).size(), 3u);
}

TEST(SplitIntoColumns, RefinesGapsOnlyForBlocksInsideTheImage) {
    // Runs [0, 10) and [30, 40): the gap's middle column is x = 20. Each case:
    // block, one extra ink pixel, refineColumns, noiseLevel, expected strips.
    const std::vector<std::tuple<cv::Rect, cv::Point, bool, int, std::size_t>> cases = {
        {{0, 1, 70, 10}, {60, 0}, true, 0, 2},  // clear gap stays
        {{0, 1, 70, 10}, {21, 0}, true, 0, 1},  // ink just above, within a pixel of the middle
        {{0, 1, 70, 10}, {18, 0}, true, 0, 2},  // ... two pixels away does not count
        {{0, 1, 70, 10}, {19, 11}, true, 0, 1}, // ink just below
        {{0, 1, 70, 10}, {20, 1}, true, 1, 1},  // ink on the top row, under the noise level
        {{0, 1, 70, 10}, {21, 1}, true, 1, 2},  // top row: only the middle pixel counts
        {{0, 1, 70, 10}, {20, 0}, false, 0, 2}, // refinement switched off
        {{0, 0, 70, 11}, {20, 11}, true, 0, 2}, // block on the image's top edge
        {{0, 1, 70, 11}, {20, 0}, true, 0, 2},  // block on the image's bottom edge
    };
    for (const auto& [block, mark, refine, noise, strips] : cases) {
        cv::Mat image = columnsImage(70, {{0, 10}, {30, 40}});
        image.at<std::uint8_t>(mark) = 1;
        SegmentationParams params = boxPassParams();
        params.refineColumns = refine;
        params.noiseLevel = noise;
        EXPECT_EQ(splitIntoColumns(image, Region{block}, params).size(), strips)
            << block << " " << mark;
    }
}
