// SPDX-License-Identifier: Apache-2.0
#include <tuple>

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using test::profileOf;

TEST(FindProfileRuns, ThresholdMarginAndOpenRunsFollowTheRules) {
    struct Case {
        cv::Mat profile;
        int fullScale, noise;
        bool excludeFull, inverted;
        RunList expected;
    };
    const std::vector<Case> cases = {
        {profileOf({0, 3, 3, 0, 0, 2}), 1000, 0, false, false, {1, 3, 5, 6}},
        {profileOf({2, 3, 2, 3}), 1000, 2, false, false, {1, 2, 3, 4}}, // at the threshold: blank
        {profileOf({4, 4, 4}), 1000, 0, false, false, {0, 3}},          // closed at N
        {profileOf({5, 38, 36, 0}), 40, 0, true, false, {0, 3}},  // a run continues through rules
        {profileOf({36, 0, 35}), 40, 0, true, false, {2, 3}},     // margin 4 refuses 36
        {profileOf({38, 0}), 40, 0, false, false, {0, 1}},        // no exclusion without the flag
        {profileOf({9, 0, 8}), 9, 0, true, false, {2, 3}},        // margin 0 below a scale of 10
        {profileOf({190, 0, 189}), 200, 0, true, false, {2, 3}},  // margin capped at 10
        {profileOf({1, 0, 1}), 40, 5, false, true, {0, 1, 2, 3}}, // inverted: threshold 0
        {profileOf({39, 40, 0}), 40, 0, true, true, {0, 2}},      // inverted: margin 0
        {cv::Mat(), 40, 0, false, false, {}},
        {cv::Mat_<std::int32_t>(3, 2, 7).col(1), 100, 0, false, false, {0, 3}}, // strided view
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        Region region;
        region.inverted = c.inverted;
        EXPECT_EQ(findProfileRuns(c.profile, c.fullScale, region, c.noise, c.excludeFull),
                  c.expected)
            << "case " << i;
    }
}

// The pixel-row run finder probes every minLength-th byte only: it must still
// find exactly the runs that long that a plain scan finds, on random rows.
TEST(LongInkRuns, FindsTheRunsAPlainScanFindsAtEveryMinimumLength) {
    cv::RNG random(5);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<std::uint8_t> row(random.uniform(0, 60));
        for (std::uint8_t& pixel : row)
            pixel = random.uniform(0, 3) != 0 ? 1 : 0; // long runs are common
        const int length = static_cast<int>(row.size());
        cv::Mat profile;
        cv::Mat(std::vector<std::int32_t>(row.begin(), row.end())).copyTo(profile);
        const RunList all = nonzeroRuns(profile);
        for (int minLength = 1; minLength <= 7; ++minLength) {
            RunList expected;
            for (std::size_t k = 0; k + 1 < all.size(); k += 2) {
                if (all[k + 1] - all[k] >= minLength)
                    expected.insert(expected.end(), {all[k], all[k + 1]});
            }
            EXPECT_EQ(longInkRuns(row.data(), length, minLength), expected)
                << "trial " << trial << ", minimum " << minLength;
        }
    }
    // A strided column of a profile reads like its copy.
    const cv::Mat profile = (cv::Mat_<std::int32_t>(3, 2) << 0, 1, 2, 0, 3, 4);
    EXPECT_EQ(nonzeroRuns(profile.col(0)), (RunList{1, 3}));
}

TEST(RegionsFromRuns, ClipsDropsNarrowSlabsAndRefusesTheParentItself) {
    const cv::Mat image = test::blankImage(100, 100);
    Region parent;
    parent.rect = cv::Rect(10, 20, 40, 30);
    parent.depth = 7;
    parent.lineGap = 9;
    parent.inverted = parent.inCell = true;
    const auto cut = [&](RunList runs, SlabAxis axis, const Region& p) {
        std::vector<cv::Rect> out;
        for (const Region& child : regionsFromRuns(image, p, std::move(runs), axis)) {
            EXPECT_TRUE(child.lineGap == 0 && child.depth == 7 && child.inverted && child.inCell);
            out.push_back(child.rect);
        }
        return out;
    };
    using Rects = std::vector<cv::Rect>;
    EXPECT_EQ(cut({0, 5, 10, 40}, SlabAxis::Columns, parent), (Rects{{20, 20, 30, 30}}));
    // Odd trailing entry ignored; slabs outside the parent or reversed give nothing.
    EXPECT_EQ(cut({30, 60, 70, 80, 20, 10, 35}, SlabAxis::Columns, parent),
              (Rects{{40, 20, 10, 30}}));
    // Bands of any height survive: the width test applies to both axes.
    EXPECT_EQ(cut({0, 1, 3, 50}, SlabAxis::Rows, parent),
              (Rects{{10, 20, 40, 1}, {10, 23, 40, 27}}));
    Region narrow = parent;
    narrow.rect.width = 5;
    EXPECT_EQ(cut({0, 10, 12, 30}, SlabAxis::Rows, narrow), Rects{});
    // A single child equal to the parent, after clipping, is no division.
    EXPECT_EQ(cut({0, 40}, SlabAxis::Columns, parent), Rects{});
    EXPECT_EQ(cut({-5, 90}, SlabAxis::Rows, parent), Rects{});
    EXPECT_EQ(cut({0, 40, 50, 60}, SlabAxis::Columns, parent), Rects{});
    EXPECT_EQ(cut({3}, SlabAxis::Columns, parent), Rects{});
}

// The vectorised profiles and row tests against cv::reduce and plain loops: on
// views of a wider image, on blocks taller than a chunk of byte counts, and
// with a pixel above 1, which must still be counted exactly.
TEST(Profiles, MatchPlainSumsOnViewsTallBlocksAndNonBinaryPixels) {
    cv::RNG random(11);
    const std::tuple<int, int, int> cases[] = {
        {37, 600, 0}, {200, 300, 0}, {130, 520, 7}, {1, 1, 0}};
    for (const auto& [cols, rows, high] : cases) {
        cv::Mat wide(rows, cols + 9, CV_8UC1);
        random.fill(wide, cv::RNG::UNIFORM, 0, 2);
        if (high > 0)
            wide.at<std::uint8_t>(rows - 1, 4) = static_cast<std::uint8_t>(high);
        const cv::Mat view = wide.colRange(4, 4 + cols);
        cv::Mat columns, rowSums;
        cv::reduce(view, columns, 0, cv::REDUCE_SUM, CV_32S);
        cv::reduce(view, rowSums, 1, cv::REDUCE_SUM, CV_32S);
        EXPECT_EQ(cv::norm(columnProfile(view), columns, cv::NORM_INF), 0) << cols << "x" << rows;
        EXPECT_EQ(cv::norm(rowProfile(view), rowSums, cv::NORM_INF), 0) << cols << "x" << rows;
    }
    // One ink byte at each place of rows of every length up to 150.
    std::vector<std::uint8_t> row(150, 0);
    for (int length = 0; length <= 150; ++length) {
        EXPECT_FALSE(rowHasInk(row.data(), length));
        for (int at = 0; at < length; ++at) {
            row[at] = 1;
            EXPECT_TRUE(rowHasInk(row.data(), length)) << length << " " << at;
            EXPECT_EQ(inkInRow(row.data(), length), 1);
            row[at] = 0;
        }
    }
}
