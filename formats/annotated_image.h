// SPDX-License-Identifier: Apache-2.0
// The annotated copy of the page: the blocks outlined and numbered on the
// page in colour.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// Outlines each block in `colour` with line thickness `thickness` and writes
// its index just above its top-left corner.
void drawRegions(cv::Mat& canvas, const std::vector<cv::Rect>& regions, const cv::Scalar& colour,
                 int thickness);

} // namespace pagecut
