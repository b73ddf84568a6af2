// SPDX-License-Identifier: Apache-2.0
// The recursive segmentation driver.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

class ImageLoan;

// One pass over a whole working page (0/1, ink 1): divides it from the root
// region down and appends the finished blocks to `output` in reading order.
// The page may be drawn into by the table strategies (second pass only).
void segmentPage(cv::Mat& page, std::vector<Region>& output, SegmentationParams params);

// Divides one block and every block below it, appending finished blocks to
// `output`. Levels alternate between column cuts and row cuts; a boxed block
// met at a row level is emitted (box pass) or divided on an inverted copy.
void segmentBlock(cv::Mat& image, Region region, std::vector<Region>& output,
                  SegmentationParams params);

// segmentBlock for the content of one cell of a framed block, on the cell's
// canvas (cell.image()); framed blocks nested in the cell take the inverted
// image that the cell lends for their own.
void segmentCell(ImageLoan& cell, Region region, std::vector<Region>& output,
                 SegmentationParams params);

} // namespace pagecut
