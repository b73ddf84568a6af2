// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "segment/cell_splitter.h"
#include "segment/image_loan.h"
#include "tests/support/test_images.h"

using namespace pagecut;
using test::fill;

// The images here are inverted working images: 1 is page background and 0 is
// page ink (text, rules). The regions are inverted ones, as the driver makes.
namespace {

Region at(const cv::Rect& rect) {
    return Region{rect, 0, 0, true};
}

// The cells of `inverted`, split on the loan of a block inverted from its
// complement, as the driver makes it.
std::vector<Region> cellsOf(const cv::Mat& inverted, const Region& region,
                            const SegmentationParams& params) {
    cv::Mat page;
    cv::subtract(cv::Scalar::all(1), inverted, page);
    const cv::Mat pageBefore = page.clone();
    std::vector<Region> output;
    {
        ImageLoan block = ImageLoan::invertBlock(page, nullptr);
        splitCells(block, region, output, params);
        EXPECT_EQ(cv::countNonZero(block.image() != inverted), 0) << "the cut only reads it";
    }
    EXPECT_EQ(cv::countNonZero(page != pageBefore), 0) << "the canvas is given back";
    return output;
}

} // namespace

TEST(TrimCellMargins, KeepsOneBlankLineBeforeTheInkOnEachSide) {
    cv::Mat image = cv::Mat::ones(20, 20, CV_8UC1);
    fill(image, cv::Rect(6, 5, 4, 1), 0); // the view's fourth row, columns 4..7
    Region cell = at(cv::Rect(2, 2, 12, 12));
    EXPECT_TRUE(trimCellMargins(image, cell));
    EXPECT_EQ(cell.rect, cv::Rect(5, 4, 6, 3));

    // A view one row high, with page ink all around it that must not be read.
    image = cv::Mat::zeros(3, 14, CV_8UC1);
    fill(image, cv::Rect(2, 1, 4, 1), 1);
    fill(image, cv::Rect(8, 1, 4, 1), 1);
    Region row = at(cv::Rect(2, 1, 10, 1));
    EXPECT_TRUE(trimCellMargins(image, row));
    EXPECT_EQ(row.rect, cv::Rect(5, 1, 4, 1));
    // Blank, the row goes: the line past the view counts as blank.
    fill(image, cv::Rect(2, 1, 10, 1), 1);
    Region blank = at(cv::Rect(2, 1, 10, 1));
    EXPECT_FALSE(trimCellMargins(image, blank));
    EXPECT_EQ(blank.rect.height, 0);
}

TEST(SplitCells, CellsComeBackInPageTermsAndThinOrEmptyPiecesAreDropped) {
    cv::Mat image = cv::Mat::ones(30, 40, CV_8UC1);
    for (const int rule : {10, 16, 23})
        fill(image, cv::Rect(0, rule, 40, 1), 0);
    fill(image, cv::Rect(5, 3, 10, 4), 0);  // band 0..9
    fill(image, cv::Rect(5, 13, 10, 1), 0); // band 11..15: 5 rows high, dropped
    fill(image, cv::Rect(5, 19, 10, 2), 0); // band 17..22: 6 rows high, kept
    // band 24..29 holds no page ink

    SegmentationParams params = layoutPassParams({});
    params.skipRuleRows = false;
    params.minGap = 0;
    params.cutColumns = false;
    const std::vector<Region> output = cellsOf(image, at(cv::Rect(0, 0, 40, 30)), params);
    std::vector<cv::Rect> found;
    for (const Region& r : output) {
        found.push_back(r.rect);
        EXPECT_TRUE(r.inCell && !r.inverted);
    }
    EXPECT_EQ(found, (std::vector<cv::Rect>{{5, 3, 10, 4}, {5, 19, 10, 2}}));
}

TEST(SplitCells, AtTheDepthLimitAColumnLevelHandsItsRegionOnAsOneCell) {
    cv::Mat image = cv::Mat::ones(40, 60, CV_8UC1);
    fill(image, cv::Rect(30, 0, 1, 40), 0); // a rule the column cut would divide at
    fill(image, cv::Rect(5, 10, 10, 5), 0);
    fill(image, cv::Rect(40, 20, 10, 5), 0);
    SegmentationParams params = layoutPassParams({});
    params.maxDepth = 1;
    const std::vector<Region> output = cellsOf(image, at(cv::Rect(0, 0, 60, 40)), params);
    ASSERT_EQ(output.size(), 1u);
    EXPECT_EQ(output[0].rect, cv::Rect(4, 0, 47, 40)); // trimmed; the rule is page ink
    EXPECT_TRUE(output[0].inCell && !output[0].inverted);
}
