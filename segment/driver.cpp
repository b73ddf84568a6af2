// SPDX-License-Identifier: Apache-2.0
#include "segment/driver.h"

#include "core/profile.h"
#include "segment/block_measures.h"
#include "segment/box_bands.h"
#include "segment/cell_splitter.h"
#include "segment/image_loan.h"
#include "strategies/column_gaps.h"
#include "strategies/row_channels.h"
#include "strategies/row_separators.h"
#include "strategies/ruled_table.h"

namespace pagecut {

namespace {

// Children of a row level 5 rows high or less are rules, not content.
constexpr int kRuleRowHeight = 5;

void divideBlock(cv::Mat& image, Region region, std::vector<Region>& output,
                 SegmentationParams params, ImageLoan* lender);

// The row cut of one level: bands around the framed blocks of the first pass
// (not inside a framed block itself), else a ruled table (second pass), else
// the rows between the white channels.
std::vector<Region> cutRows(cv::Mat& image, const Region& region, const SegmentationParams& params,
                            bool framed) {
    std::vector<Region> rows;
    if (!framed)
        rows = cutAroundBoxes(image, region, params);
    if (!rows.empty())
        return rows;
    // Both cuts below read the block's row profile. The table draws nothing
    // when it finds no table, so the profile still holds for the channels.
    const cv::Mat rowInk = rowProfile(image(region.rect));
    if (!params.boxPass)
        rows = isolateRuledTable(image, region, params, rowInk);
    if (rows.empty())
        rows = divideRowsAroundChannels(image, region, params, rowInk);
    return rows;
}

// One child of an inverted block: separator lines between its table rows
// first, then its cells, each divided in page polarity.
void divideIntoCells(ImageLoan& block, Region child, std::vector<Region>& output,
                     SegmentationParams params) {
    for (const cv::Rect& cleared : carveRowSeparators(block.image(), child, params))
        block.clear(cleared);
    child.depth = 0;
    params.minGap = 0;
    splitCells(block, child, output, params);
}

// One level of the recursion: cut the block, then divide each child. `loan`
// is the block's loan when the block is inverted, else what the level above
// may lend.
void divideLevel(cv::Mat& image, Region region, std::vector<Region>& output,
                 SegmentationParams params, bool framed, ImageLoan* loan) {
    region.depth += 1;
    const bool columnLevel = params.cutColumns;
    params.cutColumns = !columnLevel;
    const bool atDepthLimit = region.depth >= params.maxDepth;

    const std::vector<Region> children = columnLevel ? divideColumnsAtGaps(image, region, params)
                                                     : cutRows(image, region, params, framed);
    if (children.empty() || atDepthLimit) {
        if (columnLevel) {
            // The whole block once more, at a row level. At the depth limit
            // a column level also falls through to its children below, so
            // a block that deep is handed on whole and still divided into
            // its columns. That is intended: the limit is soft, and the final
            // merge joins what overlaps.
            divideBlock(image, region, output, params, loan);
        } else if (!params.boxPass || framed) {
            output.push_back(region);
            return;
        }
    }
    for (const Region& child : children) {
        if (params.skipRuleRows && child.rect.height <= kRuleRowHeight)
            continue;
        if (region.inverted)
            divideIntoCells(*loan, child, output, params);
        else
            divideBlock(image, child, output, params, loan);
    }
}

// Measure the block; a framed block met at a row level is emitted in the box
// pass, and otherwise divided along its rules: on an inverted copy the rules
// become the gaps.
void divideBlock(cv::Mat& image, Region region, std::vector<Region>& output,
                 SegmentationParams params, ImageLoan* lender) {
    region.lineGap = measureLineGap(image(region.rect), params);
    const bool framed = !params.cutColumns && isBoxed(image, region);
    if (!framed || params.boxPass) {
        divideLevel(image, region, output, std::move(params), framed, lender);
        return;
    }
    ImageLoan block = ImageLoan::invertBlock(image, lender);
    region.inverted = true;
    params.cutColumns = true;
    // The frame's left edge stays background so that the first column cut
    // finds the frame's inner edge as a gap.
    block.clear(cv::Rect(region.rect.x, region.rect.y, 2, region.rect.height));
    divideLevel(block.image(), region, output, std::move(params), true, &block);
}

} // namespace

void segmentPage(cv::Mat& page, std::vector<Region>& output, SegmentationParams params) {
    segmentBlock(page, rootRegion(page.cols, page.rows), output, std::move(params));
}

void segmentBlock(cv::Mat& image, Region region, std::vector<Region>& output,
                  SegmentationParams params) {
    divideBlock(image, region, output, std::move(params), nullptr);
}

void segmentCell(ImageLoan& cell, Region region, std::vector<Region>& output,
                 SegmentationParams params) {
    divideBlock(cell.image(), region, output, std::move(params), &cell);
}

} // namespace pagecut
