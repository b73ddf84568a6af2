// SPDX-License-Identifier: Apache-2.0
#include "working_page/ink_components.h"

#include <map>
#include <random>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace pagecut {
namespace {

// Random ink of one density, any nonzero value; some rows and columns blank
// and some full, so that long runs, runs at both edges and diagonal contacts
// all occur.
cv::Mat randomInk(std::mt19937& random, int rows, int cols, int inkPerMille) {
    cv::Mat ink(rows, cols, CV_8UC1);
    for (int y = 0; y < rows; ++y) {
        const int rowKind = static_cast<int>(random() % 10);
        for (int x = 0; x < cols; ++x) {
            const bool on = rowKind == 0   ? false
                            : rowKind == 1 ? true
                                           : static_cast<int>(random() % 1000) < inkPerMille;
            ink.at<std::uint8_t>(y, x) = on ? 1 + random() % 255 : 0;
        }
    }
    return ink;
}

// The runs hold exactly the ink, each component is exactly one of OpenCV's
// (the same pixels, box and area), and components are numbered by their
// first pixel.
TEST(InkComponents, AreOpenCvsComponentsAndTheirRunsAreTheInk) {
    struct Case {
        int rows, cols, inkPerMille;
    };
    const Case cases[] = {{1, 1, 1000}, {1, 37, 500},  {41, 1, 500},  {9, 8, 300},
                          {64, 64, 80}, {50, 77, 450}, {80, 33, 700}, {120, 130, 950}};
    EXPECT_TRUE(inkComponents(cv::Mat()).components.empty());
    std::mt19937 random(7);
    for (const Case& c : cases) {
        for (int trial = 0; trial < 4; ++trial) {
            SCOPED_TRACE(testing::Message() << c.rows << "x" << c.cols << " at " << c.inkPerMille);
            const cv::Mat ink = randomInk(random, c.rows, c.cols, c.inkPerMille);
            cv::Mat labels, stats, centroids;
            const int count =
                cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
            const InkComponents found = inkComponents(ink);
            ASSERT_EQ(found.components.size(), static_cast<std::size_t>(count - 1));

            cv::Mat covered = cv::Mat::zeros(ink.size(), CV_8UC1);
            std::map<int, int> labelOf; // component -> OpenCV's label
            int lastFirst = -1;
            for (const InkRun& run : found.runs) {
                ASSERT_LT(run.x0, run.x1);
                for (int x = run.x0; x < run.x1; ++x) {
                    covered.at<std::uint8_t>(run.y, x) = 255;
                    const int label = labels.at<int>(run.y, x);
                    const auto [at, added] = labelOf.emplace(run.component, label);
                    ASSERT_EQ(at->second, label) << "a component spans two of OpenCV's";
                    if (added) {
                        ASSERT_EQ(run.component, lastFirst + 1) << "numbered out of order";
                        lastFirst = run.component;
                    }
                }
            }
            ASSERT_EQ(cv::countNonZero(covered != (ink != 0)), 0);
            for (const auto& [component, label] : labelOf) {
                const InkComponent& mine = found.components[component];
                EXPECT_EQ(mine.box, cv::Rect(stats.at<int>(label, cv::CC_STAT_LEFT),
                                             stats.at<int>(label, cv::CC_STAT_TOP),
                                             stats.at<int>(label, cv::CC_STAT_WIDTH),
                                             stats.at<int>(label, cv::CC_STAT_HEIGHT)));
                EXPECT_EQ(mine.area, stats.at<int>(label, cv::CC_STAT_AREA));
            }
        }
    }
}

} // namespace
} // namespace pagecut
