// SPDX-License-Identifier: Apache-2.0
// Cutting the inverted interior of a framed block along its rules into cells,
// and handing each non-empty cell back to the driver.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

class ImageLoan;

// Alternates the column cut and the band cut on the inverted image of `block`
// (a loan made by ImageLoan::invertBlock) until a piece no longer divides;
// each piece with page ink is trimmed, flagged inCell and divided by
// segmentCell on its canvas, the block's page-polarity image. The cell's
// subtree may draw into that canvas and borrow the inverted image; both are
// given back after each cell, so the cut reads them unchanged. Pieces 5 rows
// high or less are dropped.
void splitCells(ImageLoan& block, Region region, std::vector<Region>& output,
                SegmentationParams params);

// Shrinks region.rect by its blank margins (lines without page ink, i.e.
// without a 0 pixel in the inverted image), keeping at most one blank line
// before the ink on each side. Returns true when something remains. Reads no
// pixel outside the region.
bool trimCellMargins(const cv::Mat& image, Region& region);

} // namespace pagecut
