// SPDX-License-Identifier: Apache-2.0
// Drawing separator lines between the rows of a framed table before its cells
// are split.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

// Works on the inverted image of a boxed block (1 = page background). Clears
// a one-pixel line two rows above every text line at which a new table row
// begins and, when it drew any, a vertical line left of each column that is
// separated by white space only. Returns the rectangles cleared (clipped to
// the image), so that a caller can keep derived images in step. Reads
// TABLE_LOGIC. Does nothing in the box pass or when the block does not look
// like a table of rows.
std::vector<cv::Rect> carveRowSeparators(cv::Mat& image, Region block, SegmentationParams params);

} // namespace pagecut
