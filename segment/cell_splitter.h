// SPDX-License-Identifier: Apache-2.0
// Cutting the inverted interior of a framed block along its rules into cells,
// and handing each non-empty cell back to the driver.
#pragma once

#include <utility>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

// Alternates the column cut and the band cut on the inverted image until a
// piece no longer divides; each piece with page ink is trimmed and divided by
// segmentBlock on a re-inverted image, flagged inCell. The image is not
// written. Pieces 5 rows high or less are dropped.
void splitCells(const cv::Mat& image, Region region, std::vector<Region>& output,
                SegmentationParams params);

// The page-polarity image (1 - the inverted image) on which the cells of one
// framed block are divided, shared by all of them instead of a fresh copy per
// cell. The level that inverts a block keeps it in place in the image it
// received (the inverted copy is 1 - that image, so its page polarity is that
// image with the marks made in the copy), and undoes the marks when done. A
// canvas that is not in place is a copy made when the first cell needs it.
//
// An in-place canvas also knows the inverted image it complements. Its cells
// lend that buffer to the framed blocks nested in them, which need an
// inverted image of their own, and the canvas is given back after each cell
// from it; so nesting costs no copy of the page per level.
struct CellCanvas {
    cv::Mat pagePolarity; // the image the cells are divided on; empty until needed
    std::vector<std::pair<cv::Rect, cv::Mat>> saved; // pixels under the marks, in place
    cv::Mat inverted; // the inverted image; empty unless the canvas is in place

    bool inPlace() const { return !inverted.empty(); }

    // A canvas kept in place in `image`, the image the block was inverted
    // from into `inverted`.
    static CellCanvas inPlaceOf(const cv::Mat& image, const cv::Mat& inverted);

    // Records that `rect` of the inverted image was cleared to 0: the page
    // polarity there becomes 1.
    void mark(const cv::Rect& rect);

    // Makes the canvas from the inverted image, unless it exists already.
    void ensure(const cv::Mat& inverted);

    // Restores the pixels under the marks of an in-place canvas, newest first.
    void undoMarks();
};

// splitCells with a canvas shared across calls on the same inverted image.
void splitCells(const cv::Mat& image, Region region, std::vector<Region>& output,
                SegmentationParams params, CellCanvas& canvas);

// Shrinks region.rect by its blank margins (lines without page ink, i.e.
// without a 0 pixel in the inverted image), keeping at most one blank line
// before the ink on each side. Returns true when something remains. Reads no
// pixel outside the region.
bool trimCellMargins(const cv::Mat& image, Region& region);

} // namespace pagecut
