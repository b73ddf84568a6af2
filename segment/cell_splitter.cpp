// SPDX-License-Identifier: Apache-2.0
#include "segment/cell_splitter.h"

#include <algorithm>

#include <opencv2/core.hpp>

#include "core/cuts.h"
#include "core/profile.h"
#include "segment/complement.h"
#include "segment/driver.h"

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

CellCanvas CellCanvas::inPlaceOf(const cv::Mat& image, const cv::Mat& inverted) {
    CellCanvas canvas;
    canvas.pagePolarity = image;
    canvas.inverted = inverted;
    return canvas;
}

void CellCanvas::mark(const cv::Rect& rect) {
    if (pagePolarity.empty())
        return;
    const cv::Rect clipped = rect & cv::Rect(0, 0, pagePolarity.cols, pagePolarity.rows);
    if (clipped.empty())
        return;
    if (inPlace())
        saved.emplace_back(clipped, pagePolarity(clipped).clone());
    pagePolarity(clipped).setTo(1);
}

void CellCanvas::ensure(const cv::Mat& inverted) {
    if (pagePolarity.empty())
        cv::subtract(cv::Scalar::all(1), inverted, pagePolarity);
}

void CellCanvas::undoMarks() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it)
        it->second.copyTo(pagePolarity(it->first));
    saved.clear();
}

namespace {

// Divides one cell's content on the shared page-polarity canvas. The canvas
// must look to the cell's subtree exactly like a fresh 1 - image, and stay
// equal to it for the next cell. The subtree writes into the image it is
// given only through the table rules that it may draw: within the columns of
// its blocks, which lie inside the cell's, and at most two rows above a block,
// whose own top lies at most two rows above its parent's for each level of
// the recursion (bounded by the depth limit). Every other image it writes is
// a copy of its own. Saving that window and restoring it afterwards therefore
// leaves the canvas as it was.
//
// With an in-place canvas the window is not copied: the canvas is the
// complement of the inverted image but for the few pixels recorded here, and
// the subtree gives the inverted image back unchanged (framed blocks nested in
// the cell borrow it for their own inverted images).
void divideCell(const cv::Mat& image, const Region& cell, std::vector<Region>& output,
                const SegmentationParams& params, CellCanvas& canvas) {
    canvas.ensure(image);
    const int reachAbove = 2 * (std::max(params.maxDepth, 0) + 2);
    const int top = std::max(0, cell.rect.y - reachAbove);
    const cv::Rect window(cell.rect.x, top, cell.rect.width, cell.rect.y + cell.rect.height - top);
    if (!canvas.inPlace()) {
        const cv::Mat saved = canvas.pagePolarity(window).clone();
        segmentBlock(canvas.pagePolarity, cell, output, params);
        saved.copyTo(canvas.pagePolarity(window));
        return;
    }
    const ComplementDiff kept = diffFromComplement(canvas.inverted, canvas.pagePolarity, window);
    segmentBlockLending(canvas.pagePolarity, canvas.inverted, cell, output, params);
    restoreFromComplement(canvas.inverted, canvas.pagePolarity, window, kept);
}

} // namespace

void splitCells(const cv::Mat& image, Region region, std::vector<Region>& output,
                SegmentationParams params) {
    CellCanvas canvas;
    splitCells(image, region, output, std::move(params), canvas);
}

void splitCells(const cv::Mat& image, Region region, std::vector<Region>& output,
                SegmentationParams params, CellCanvas& canvas) {
    region.lineGap = 0;
    region.depth += 1;
    const bool columnLevel = params.cutColumns;
    params.cutColumns = !columnLevel;
    const bool atDepthLimit = region.depth >= params.maxDepth;

    std::vector<Region> result;
    if (columnLevel) {
        result = splitIntoColumns(image, region, params);
        if (result.empty() || atDepthLimit) {
            if (!trimCellMargins(image, region))
                return;
            params.refineColumns = false;
            params.skipRuleRows = false;
            params.minGap = 25;
            region.inverted = false;
            region.inCell = true;
            // The cell's content is divided in page polarity; separators drawn
            // into the inverted image become ink lines there.
            divideCell(image, region, output, params, canvas);
            return;
        }
    } else {
        result = splitIntoBands(image, region, params);
        if (result.empty() || atDepthLimit)
            splitCells(image, region, output, params, canvas);
    }

    for (const Region& piece : result) {
        if (piece.rect.height > 5)
            splitCells(image, piece, output, params, canvas);
    }
}

} // namespace pagecut
