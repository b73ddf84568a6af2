// SPDX-License-Identifier: Apache-2.0
#include "strategies/closed_background.h"

#include <algorithm>
#include <random>
#include <tuple>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

using namespace pagecut;

namespace {

// Statistics of OpenCV's own closing and labelling, sorted, to compare with
// the streaming version whatever the order of the components.
using Stats = std::tuple<int, int, int, int, int>;

std::vector<Stats> opencvComponents(const cv::Mat& block, int kw, int kh) {
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(kw, kh));
    cv::Mat dilated, closed, background, labels, stats, centroids;
    cv::dilate(block, dilated, kernel);
    cv::erode(dilated, closed, kernel);
    cv::subtract(cv::Scalar::all(1), closed, background);
    const int n = cv::connectedComponentsWithStats(background, labels, stats, centroids, 8, CV_32S);
    std::vector<Stats> out;
    for (int i = 1; i < n; ++i)
        out.emplace_back(stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
                         stats.at<int>(i, cv::CC_STAT_WIDTH), stats.at<int>(i, cv::CC_STAT_HEIGHT),
                         stats.at<int>(i, cv::CC_STAT_AREA));
    std::sort(out.begin(), out.end());
    return out;
}

cv::Mat randomBlock(std::mt19937& random, int cols, int rows, int inkPerMille) {
    cv::Mat block(rows, cols, CV_8UC1);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            block.at<std::uint8_t>(r, c) = int(random() % 1000) < inkPerMille;
    return block;
}

} // namespace

// The streaming closing must give exactly OpenCV's dilation and erosion with
// the default border, and the run labelling exactly its 8-connected
// components, on blocks of every shape, including blocks smaller than the
// kernel and even kernel sizes.
TEST(ClosedBackground, MatchesOpenCvClosingAndLabelling) {
    std::mt19937 random(7);
    const std::tuple<int, int, int, int, int> cases[] = {
        {120, 400, 11, 201, 2}, {300, 90, 11, 201, 5}, {7, 500, 11, 201, 1},
        {64, 64, 4, 6, 40},     {1, 1, 11, 201, 0},    {33, 250, 3, 21, 30},
        {200, 300, 11, 201, 0}, {50, 50, 1, 1, 500},   {130, 90, 70, 9, 20},
        {128, 260, 11, 201, 3}, {200, 80, 129, 2, 4},  {700, 300, 11, 201, 1},
    };
    for (const auto& [cols, rows, kw, kh, ink] : cases) {
        const cv::Mat block = randomBlock(random, cols, rows, ink);
        // The block is read as a view of a wider image whose other columns are
        // ink, as blocks of a page are.
        cv::Mat wider;
        cv::copyMakeBorder(block, wider, 0, 0, 3, 2, cv::BORDER_CONSTANT, 1);
        const cv::Mat view = wider.colRange(3, 3 + cols);
        const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(kw, kh));
        cv::Mat dilated, closed;
        cv::dilate(block, dilated, kernel);
        cv::erode(dilated, closed, kernel);
        EXPECT_EQ(cv::norm(closeBlock(view, kw, kh), closed, cv::NORM_INF), 0)
            << cols << "x" << rows << " kernel " << kw << "x" << kh;

        std::vector<Stats> mine;
        for (const BackgroundComponent& c : closedBackgroundComponents(view, kw, kh)) {
            mine.emplace_back(c.left, c.top, c.width, c.height, c.area);
            ASSERT_EQ(int(c.columnCounts.size()), c.width);
            int total = 0;
            for (const int n : c.columnCounts)
                total += n;
            EXPECT_EQ(total, c.area);
        }
        std::sort(mine.begin(), mine.end());
        EXPECT_EQ(mine, opencvComponents(block, kw, kh)) << cols << "x" << rows;
    }
}
