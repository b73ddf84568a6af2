// SPDX-License-Identifier: Apache-2.0
#include "segment/driver.h"

#include <opencv2/core.hpp>

#include "segment/block_tests.h"
#include "segment/box_bands.h"
#include "segment/cell_splitter.h"
#include "segment/complement.h"
#include "strategies/column_gaps.h"
#include "strategies/row_channels.h"
#include "strategies/row_separators.h"
#include "strategies/ruled_table.h"

namespace pagecut {

void segmentPage(cv::Mat& page, std::vector<Region>& output, SegmentationParams params) {
    segmentBlock(page, rootRegion(page.cols, page.rows), output, std::move(params));
}

namespace {

// segmentBlock, given the cell canvas of the level above when this level
// works on that level's inverted image (the retry of an inverted block), and
// a spare image the size of `image` that this level may take for its own
// inverted image as long as it gives it back unchanged.
void segmentBlockWith(cv::Mat& image, Region region, std::vector<Region>& output,
                      SegmentationParams params, CellCanvas* inheritedCanvas, cv::Mat* spare) {
    region.lineGap = measureLineGap(image(region.rect), params);
    const bool boxed = isBoxed(image, region);

    // A boxed block met at a row level is divided along its rules: on an
    // inverted copy the rules become the gaps. The copy belongs to this level
    // (a borrowed spare is given back when the level is done).
    cv::Mat work = image;
    bool mark = false;
    CellCanvas ownCanvas;
    const cv::Rect whole(0, 0, image.cols, image.rows);
    ComplementDiff lent; // what the spare held where it was not 1 - image
    bool borrowed = false;
    if (boxed && !params.cutColumns) {
        mark = true;
        if (!params.boxPass) {
            region.inverted = true;
            if (spare != nullptr) {
                // Nested framed blocks would otherwise hold one page-sized
                // copy per level; the spare is almost 1 - image already.
                lent = diffFromComplement(image, *spare, whole);
                work = *spare;
                borrowed = true;
            } else {
                work = cv::Mat(image.size(), image.type());
            }
            cv::subtract(cv::Scalar::all(1), image, work);
            params.cutColumns = true;
            // The image received is not read again by this level nor below
            // it, so it serves as the cells' page-polarity canvas.
            ownCanvas = CellCanvas::inPlaceOf(image, work);
            inheritedCanvas = nullptr;
            // The frame's left edge stays background so that the first column
            // cut finds the frame's inner edge as a gap.
            const cv::Rect leftEdge =
                cv::Rect(region.rect.x, region.rect.y, 2, region.rect.height) & whole;
            work(leftEdge).setTo(0);
            ownCanvas.mark(leftEdge);
        }
    }
    // Undoes the marks, which brings the image back, and then the spare.
    const auto giveBack = [&] {
        ownCanvas.undoMarks();
        if (borrowed)
            restoreFromComplement(image, *spare, whole, lent);
    };

    region.depth += 1;
    const bool columnLevel = params.cutColumns;
    params.cutColumns = !columnLevel;
    const bool atDepthLimit = region.depth >= params.maxDepth;

    CellCanvas& canvas = inheritedCanvas != nullptr ? *inheritedCanvas : ownCanvas;
    // On an inverted block the canvas is the work image's complement.
    cv::Mat* workSpare = region.inverted ? &canvas.pagePolarity : spare;
    std::vector<Region> result;
    if (columnLevel) {
        result = divideColumnsAtGaps(work, region, params);
        if (result.empty() || atDepthLimit)
            segmentBlockWith(work, region, output, params, region.inverted ? &canvas : nullptr,
                             workSpare);
    } else {
        if (!mark)
            result = cutAroundBoxes(work, region, params);
        if (result.empty() && !params.boxPass)
            result = isolateRuledTable(work, region, params);
        if (result.empty())
            result = divideRowsAroundChannels(work, region, params);
        if (result.empty() || atDepthLimit) {
            if (!params.boxPass || mark) {
                output.push_back(region);
                giveBack();
                return;
            }
        }
    }

    std::vector<cv::Rect> cleared;
    for (Region& child : result) {
        if (params.skipRuleRows && child.rect.height <= 5)
            continue;
        if (!region.inverted) {
            segmentBlockWith(work, child, output, params, nullptr, workSpare);
            continue;
        }
        cleared.clear();
        carveRowSeparators(work, child, params, cleared);
        for (const cv::Rect& rect : cleared)
            canvas.mark(rect);
        child.depth = 0;
        params.minGap = 0;
        splitCells(work, child, output, params, canvas);
    }
    giveBack();
}

} // namespace

void segmentBlock(cv::Mat& image, Region region, std::vector<Region>& output,
                  SegmentationParams params) {
    segmentBlockWith(image, region, output, std::move(params), nullptr, nullptr);
}

void segmentBlockLending(cv::Mat& image, cv::Mat& spare, Region region, std::vector<Region>& output,
                         SegmentationParams params) {
    segmentBlockWith(image, region, output, std::move(params), nullptr, &spare);
}

} // namespace pagecut
