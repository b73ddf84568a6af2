// SPDX-License-Identifier: Apache-2.0
// The two measurements the driver makes on every block before dividing it.
#pragma once

#include <cstdint>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

// Median height of the runs of blank rows of `view` (margins included), the
// upper middle for an even count; 1 when no row is blank; 0 in the box pass.
std::int32_t measureLineGap(cv::Mat view, SegmentationParams params);

// True when each side of the block has, among its three outermost lines, one
// that is at least 90 % ink. Blocks 20 pixels or less in either direction are
// never boxed.
bool isBoxed(const cv::Mat& image, Region region);

} // namespace pagecut
