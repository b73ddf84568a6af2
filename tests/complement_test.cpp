// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "segment/complement.h"
#include "tests/support/test_images.h"

using namespace pagecut;

TEST(ComplementDiff, RecordsTheRunsThatBreakTheComplementWithinTheArea) {
    const cv::Mat source = test::imageFromRows({
        "#..#....",
        "........",
        "##..##..",
    });
    cv::Mat buffer;
    cv::subtract(cv::Scalar::all(1), source, buffer);
    buffer.at<std::uint8_t>(0, 1) = 0; // two pixels side by side: one run
    buffer.at<std::uint8_t>(0, 2) = 7;
    buffer.at<std::uint8_t>(2, 4) = 1; // ink under ink
    buffer.at<std::uint8_t>(2, 7) = 0; // outside the area below
    buffer.at<std::uint8_t>(1, 0) = 0;

    const ComplementDiff diff = diffFromComplement(source, buffer, cv::Rect(0, 0, 7, 3));
    ASSERT_EQ(diff.runs.size(), 3u);
    EXPECT_EQ(std::make_tuple(diff.runs[0].row, diff.runs[0].x, diff.runs[0].length),
              std::make_tuple(0, 1, 2));
    EXPECT_EQ(std::make_tuple(diff.runs[1].row, diff.runs[1].x, diff.runs[1].length),
              std::make_tuple(1, 0, 1));
    EXPECT_EQ(std::make_tuple(diff.runs[2].row, diff.runs[2].x, diff.runs[2].length),
              std::make_tuple(2, 4, 1));
    EXPECT_EQ(diff.values, (std::vector<std::uint8_t>{0, 7, 0, 1}));

    // A source value above 1 has the complement 0, as a saturating 1 - x.
    cv::Mat grey(1, 3, CV_8UC1, cv::Scalar(5));
    cv::Mat zeros = cv::Mat::zeros(1, 3, CV_8UC1);
    EXPECT_TRUE(diffFromComplement(grey, zeros, cv::Rect(0, 0, 3, 1)).runs.empty());
}

TEST(ComplementDiff, RestoreGivesTheBufferBackWithinTheAreaOnly) {
    cv::Mat source(40, 50, CV_8UC1);
    cv::randu(source, 0, 2);
    cv::Mat buffer;
    cv::subtract(cv::Scalar::all(1), source, buffer);
    cv::Mat scribbles(buffer.size(), CV_8UC1);
    cv::randu(scribbles, 0, 4);
    scribbles(cv::Rect(10, 5, 30, 20)).copyTo(buffer(cv::Rect(10, 5, 30, 20)));
    const cv::Mat original = buffer.clone();

    const cv::Rect area(8, 4, 35, 30);
    const ComplementDiff diff = diffFromComplement(source, buffer, area);
    buffer.setTo(9); // lent out and written all over
    restoreFromComplement(source, buffer, area, diff);
    EXPECT_EQ(cv::countNonZero(buffer(area) != original(area)), 0);
    EXPECT_EQ(buffer.at<std::uint8_t>(0, 0), 9); // outside the area: not touched
    EXPECT_EQ(buffer.at<std::uint8_t>(39, 49), 9);
}
