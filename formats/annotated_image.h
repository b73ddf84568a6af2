// SPDX-License-Identifier: Apache-2.0
// The annotated copy of the page: the blocks outlined and numbered on the
// page in colour.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

// Outlines each block in `colour` with line thickness `thickness` and writes
// its index just above its top-left corner.
void drawRegions(cv::Mat& canvas, const std::vector<cv::Rect>& regions, const cv::Scalar& colour,
                 int thickness);

// Outlines each block of the paragraph mode in the colour of its type
// (typeColour), numbers it in reading order, and draws its text lines thin.
void drawLayouts(cv::Mat& canvas, const std::vector<BlockLayout>& layouts);

// The colour (BGR) of a type in the annotated image: text in blues and
// greens, tables orange, pictures red, rules magenta, the page's furniture
// grey.
cv::Scalar typeColour(BlockType type);

} // namespace pagecut
