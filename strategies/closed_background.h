// SPDX-License-Identifier: Apache-2.0
// The background of a binary block after a morphological closing with a
// rectangle, as connected components with their statistics, computed in one
// streaming pass: no full-size intermediate image is made.
#pragma once

#include <cstdint>
#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// One 8-connected component of the closed block's background.
struct BackgroundComponent {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::int32_t area = 0;
    // Pixels of the component per column, for the columns [left, left + width).
    std::vector<std::int32_t> columnCounts;
};

// The closing (dilation, then erosion) of a 0/1 block by a kernelWidth x
// kernelHeight rectangle anchored at its centre, with OpenCV's default
// morphology border: pixels outside the block never count as ink for the
// dilation nor as background for the erosion. Returns a new 0/1 image; the
// result equals OpenCV's dilate followed by erode.
cv::Mat closeBlock(const cv::Mat& block, int kernelWidth, int kernelHeight);

// The 8-connected components of the background (0 pixels) of
// closeBlock(block, ...), in no particular order.
std::vector<BackgroundComponent> closedBackgroundComponents(const cv::Mat& block, int kernelWidth,
                                                            int kernelHeight);

} // namespace pagecut
