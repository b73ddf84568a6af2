#include "segment/driver.h"

#include <opencv2/core.hpp>

#include "segment/block_tests.h"
#include "segment/box_bands.h"
#include "segment/cell_splitter.h"
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
// works on that level's inverted image (the retry of an inverted block).
void segmentBlockWith(cv::Mat& image, Region region, std::vector<Region>& output,
                      SegmentationParams params, CellCanvas* inheritedCanvas) {
    region.lineGap = measureLineGap(image(region.rect), params);
    const bool boxed = isBoxed(image, region);

    // A boxed block met at a row level is divided along its rules: on an
    // inverted copy the rules become the gaps. The copy belongs to this level.
    cv::Mat work = image;
    bool mark = false;
    CellCanvas ownCanvas;
    if (boxed && !params.cutColumns) {
        mark = true;
        if (!params.boxPass) {
            region.inverted = true;
            work = cv::Mat(image.size(), image.type());
            cv::subtract(cv::Scalar::all(1), image, work);
            params.cutColumns = true;
            // The image received is not read again by this level nor below
            // it, so it serves as the cells' page-polarity canvas.
            ownCanvas = CellCanvas::inPlaceOf(image);
            inheritedCanvas = nullptr;
            // The frame's left edge stays background so that the first column
            // cut finds the frame's inner edge as a gap.
            const cv::Rect leftEdge =
                cv::Rect(region.rect.x, region.rect.y, 2, region.rect.height) &
                cv::Rect(0, 0, work.cols, work.rows);
            work(leftEdge).setTo(0);
            ownCanvas.mark(leftEdge);
        }
    }

    region.depth += 1;
    const bool columnLevel = params.cutColumns;
    params.cutColumns = !columnLevel;
    const bool atDepthLimit = region.depth >= params.maxDepth;

    CellCanvas& canvas = inheritedCanvas != nullptr ? *inheritedCanvas : ownCanvas;
    std::vector<Region> result;
    if (columnLevel) {
        result = divideColumnsAtGaps(work, region, params);
        if (result.empty() || atDepthLimit)
            segmentBlockWith(work, region, output, params, region.inverted ? &canvas : nullptr);
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
                ownCanvas.undoMarks();
                return;
            }
        }
    }

    std::vector<cv::Rect> cleared;
    for (Region& child : result) {
        if (params.skipRuleRows && child.rect.height <= 5)
            continue;
        if (!region.inverted) {
            segmentBlock(work, child, output, params);
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
    ownCanvas.undoMarks();
}

} // namespace

void segmentBlock(cv::Mat& image, Region region, std::vector<Region>& output,
                  SegmentationParams params) {
    segmentBlockWith(image, region, output, std::move(params), nullptr);
}

} // namespace pagecut
