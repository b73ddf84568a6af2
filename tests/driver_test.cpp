// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "segment/driver.h"
#include "segment/image_loan.h"
#include "tests/support/test_images.h"

using namespace pagecut;

namespace {

std::vector<Region> run(cv::Mat page, SegmentationParams params) {
    std::vector<Region> output;
    segmentPage(page, output, std::move(params));
    return output;
}

// A line of "text": ink in two columns out of three, so no row is a rule.
void text(cv::Mat& page, const cv::Rect& rect) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) {
        if (x % 3 != 2)
            test::fill(page, cv::Rect(x, rect.y, 1, rect.height));
    }
}

using Rects = std::vector<cv::Rect>;

Rects rectsOf(const std::vector<Region>& regions) {
    Rects out;
    for (const Region& r : regions)
        out.push_back(r.rect);
    return out;
}

} // namespace

TEST(SegmentPage, BlankPageIsOneBlockInTheLayoutPassAndNoneInTheBoxPass) {
    const cv::Mat page = test::blankImage(120, 80);
    EXPECT_TRUE(run(page, boxPassParams()).empty());
    const std::vector<Region> blocks = run(page, layoutPassParams({}));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].rect, cv::Rect(0, 0, 120, 80));
    EXPECT_EQ(blocks[0].depth, 2);
    EXPECT_FALSE(blocks[0].inverted || blocks[0].inCell);
}

TEST(SegmentPage, BoxPassEmitsOnlyTheFramedBlock) {
    cv::Mat page = test::blankImage(200, 150);
    test::frame(page, cv::Rect(20, 30, 100, 60));
    text(page, cv::Rect(30, 45, 70, 8));
    text(page, cv::Rect(150, 40, 40, 8)); // unframed text beside it is not emitted
    const std::vector<Region> boxes = run(page, boxPassParams());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rect, cv::Rect(20, 30, 100, 60));
    EXPECT_EQ(boxes[0].lineGap, 0);

    // The layout pass divides the frame's interior on an inverted copy and
    // gets the text inside back as a cell; the page itself is left as it was.
    const cv::Mat before = page.clone();
    const std::vector<Region> blocks = run(page, layoutPassParams(boxes));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].rect, cv::Rect(30, 45, 70, 8));
    EXPECT_TRUE(blocks[0].inCell && !blocks[0].inverted);
    EXPECT_EQ(blocks[1].rect, cv::Rect(150, 40, 40, 8));
    EXPECT_FALSE(blocks[1].inCell);
    EXPECT_EQ(cv::countNonZero(page != before), 0);
}

TEST(SegmentPage, LayoutPassDropsChildrenFiveRowsHighOrLess) {
    cv::Mat page = test::blankImage(160, 120);
    text(page, cv::Rect(20, 20, 100, 5)); // ink in columns 21..118
    text(page, cv::Rect(20, 40, 100, 20));
    const cv::Rect thin(21, 20, 98, 5), tall(21, 40, 98, 20);
    EXPECT_EQ(rectsOf(run(page, layoutPassParams({}))), Rects{tall});
    SegmentationParams keepThin = layoutPassParams({});
    keepThin.skipRuleRows = false;
    EXPECT_EQ(rectsOf(run(page, keepThin)), (Rects{thin, tall}));
    text(page, cv::Rect(20, 20, 100, 6));
    EXPECT_EQ(rectsOf(run(page, layoutPassParams({}))), (Rects{{21, 20, 98, 6}, tall}));
}

TEST(SegmentationParams, PassConstantsAndCopiesOwningTheirBoxes) {
    const auto fields = [](const SegmentationParams& p) {
        return std::make_tuple(p.minGap, p.noiseLevel, p.maxDepth, p.skipRuleRows, p.skipRuleCols,
                               p.cutColumns, p.boxPass, p.firstColumnOnly, p.refineColumns);
    };
    EXPECT_EQ(fields(boxPassParams()),
              std::make_tuple(10, 0, 100, false, false, true, true, true, true));
    const SegmentationParams layout = layoutPassParams({rootRegion(30, 20)});
    EXPECT_EQ(fields(layout), std::make_tuple(25, 0, 100, true, false, true, false, true, true));

    SegmentationParams copy = layout;
    copy.boxes[0].rect.x = 5;
    copy.boxes.push_back(copy.boxes[0]);
    ASSERT_EQ(layout.boxes.size(), 1u);
    EXPECT_EQ(layout.boxes[0].rect.x, 0);
}

// Framed blocks nested inside a cell borrow the buffer the cell's loan
// offers for their inverted copy instead of allocating one: whatever that
// buffer held, the result is the same and every image comes back unchanged.
TEST(SegmentBlock, NestedFramesBorrowTheLentBufferAndGiveItBackUnchanged) {
    cv::Mat page = test::blankImage(260, 220);
    cv::Rect ring(10, 10, 240, 200);
    Rects inner; // the text in each ring, under its top rule
    for (int level = 0; level < 4; ++level) {
        test::frame(page, ring, 2);
        const cv::Rect line(ring.x + 8, ring.y + 8, ring.width / 2, 8);
        text(page, line);
        inner.push_back(line);
        ring = cv::Rect(ring.x + 24, ring.y + 24, ring.width - 48, ring.height - 48);
    }
    const cv::Mat before = page.clone();
    const SegmentationParams params = layoutPassParams(run(page, boxPassParams()));
    std::vector<Region> alone;
    segmentBlock(page, rootRegion(page.cols, page.rows), alone, params);
    ASSERT_EQ(cv::countNonZero(page != before), 0);
    // Every ring's text came back from the cells of the frame around it, so
    // each frame inside the outermost was divided on an inverted image.
    ASSERT_EQ(alone.size(), inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        EXPECT_EQ(alone[i].rect.tl(), inner[i].tl());
        EXPECT_TRUE(alone[i].inCell);
    }

    cv::Mat complement;
    cv::subtract(cv::Scalar::all(1), page, complement);
    cv::Mat noise(page.size(), CV_8UC1);
    cv::randu(noise, 0, 3);
    for (const cv::Mat& offered : {complement, noise}) {
        // A loan that divides a copy of the page and offers `offered`.
        cv::Mat lent = offered.clone();
        ImageLoan loan = ImageLoan::invertBlock(lent, nullptr);
        page.copyTo(loan.image());
        std::vector<Region> lending;
        segmentCell(loan, rootRegion(page.cols, page.rows), lending, params);
        EXPECT_EQ(rectsOf(lending), rectsOf(alone));
        EXPECT_EQ(cv::countNonZero(lent != offered), 0);
        EXPECT_EQ(cv::countNonZero(loan.image() != before), 0);
    }
}
