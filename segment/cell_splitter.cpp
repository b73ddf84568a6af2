// SPDX-License-Identifier: Apache-2.0
#include "segment/cell_splitter.h"

#include <algorithm>

#include <opencv2/core.hpp>

#include "core/cuts.h"
#include "core/profile.h"
#include "segment/driver.h"
#include "segment/image_loan.h"

namespace pagecut {

namespace {

// A profile line outside the view counts as blank: the two-line window of
// the trim may reach one line past a view that is a single line thick.
bool blankAt(const std::vector<std::int32_t>& counts, int index) {
    if (index < 0 || index >= static_cast<int>(counts.size()))
        return true;
    return counts[index] == 0;
}

// Number of 0 pixels (page ink in the inverted image) per row or per column.
std::vector<std::int32_t> pageInkCounts(const cv::Mat& view, SlabAxis axis) {
    const bool perRow = axis == SlabAxis::Rows;
    std::vector<std::int32_t> counts(perRow ? view.rows : view.cols, 0);
    for (int r = 0; r < view.rows; ++r) {
        const std::uint8_t* row = view.ptr<std::uint8_t>(r);
        for (int c = 0; c < view.cols; ++c) {
            if (row[c] == 0)
                ++counts[perRow ? r : c];
        }
    }
    return counts;
}

} // namespace

bool trimCellMargins(const cv::Mat& image, Region& region) {
    const cv::Mat view = image(region.rect);
    const std::vector<std::int32_t> rows = pageInkCounts(view, SlabAxis::Rows);
    const std::vector<std::int32_t> cols = pageInkCounts(view, SlabAxis::Columns);
    const int viewRows = view.rows;
    const int viewCols = view.cols;
    cv::Rect& r = region.rect;

    bool topDone = false, bottomDone = false, leftDone = false, rightDone = false;
    const int limit = std::max(viewRows, viewCols) - 1;
    for (int d = 0; d < limit; ++d) {
        if (!topDone) {
            if (blankAt(rows, d) && blankAt(rows, d + 1) && r.height > 0) {
                r.y += 1;
                r.height -= 1;
            } else {
                topDone = true;
            }
        }
        if (!bottomDone) {
            if (blankAt(rows, viewRows - 1 - d) && blankAt(rows, viewRows - 2 - d) && r.height > 0)
                r.height -= 1;
            else
                bottomDone = true;
        }
        if (!leftDone) {
            if (blankAt(cols, d) && blankAt(cols, d + 1) && r.width > 0) {
                r.x += 1;
                r.width -= 1;
            } else {
                leftDone = true;
            }
        }
        if (!rightDone) {
            if (blankAt(cols, viewCols - 1 - d) && blankAt(cols, viewCols - 2 - d) && r.width > 0)
                r.width -= 1;
            else
                rightDone = true;
        }
        if (topDone && bottomDone && leftDone && rightDone)
            break;
    }
    return r.width > 0 && r.height > 0;
}

namespace {

// Pieces this many rows high or less are rules, not cells.
constexpr int kRuleRowHeight = 5;

// The column gap below which the content of a cell is joined into one block.
constexpr int kCellMinGap = 25;

} // namespace

void splitCells(ImageLoan& block, Region region, std::vector<Region>& output,
                SegmentationParams params) {
    region.lineGap = 0;
    region.depth += 1;
    const bool columnLevel = params.cutColumns;
    params.cutColumns = !columnLevel;
    const bool atDepthLimit = region.depth >= params.maxDepth;

    const cv::Mat& image = block.image();
    std::vector<Region> result;
    if (columnLevel) {
        result = splitIntoColumns(image, region, params);
        if (result.empty() || atDepthLimit) {
            if (!trimCellMargins(image, region))
                return;
            params.refineColumns = false;
            params.skipRuleRows = false;
            params.minGap = kCellMinGap;
            region.inverted = false;
            region.inCell = true;
            // The cell's content is divided in page polarity; separators drawn
            // into the inverted image become ink lines there.
            ImageLoan canvas = ImageLoan::cellCanvas(block, region.rect, params.maxDepth);
            segmentCell(canvas, region, output, params);
            return;
        }
    } else {
        result = splitIntoBands(image, region, params);
        if (result.empty() || atDepthLimit)
            splitCells(block, region, output, params);
    }

    for (const Region& piece : result) {
        if (piece.rect.height > kRuleRowHeight)
            splitCells(block, piece, output, params);
    }
}

} // namespace pagecut
