// Cutting the inverted interior of a framed block along its rules into cells,
// and handing each non-empty cell back to the driver.
#pragma once

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

// The page-polarity image (1 - the inverted image) on which cells are
// divided, shared by all the cells of one framed block instead of a fresh
// copy per cell. Whoever changes the inverted image must mark the changed
// rectangles with `touch` (or drop the canvas).
struct CellCanvas {
    cv::Mat pagePolarity; // empty until the first cell needs it

    // Brings the canvas in step with `image` inside `rect`.
    void touch(const cv::Mat& image, const cv::Rect& rect);
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
