// SPDX-License-Identifier: Apache-2.0
// Dividing a block into columns of text at the blank gaps of its column
// profile.
#pragma once

#include <cstdint>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/profile.h"
#include "core/region.h"

namespace pagecut {

// Vertical strips of the block, left to right, after closing gaps narrower
// than columnGapThreshold and joining narrow runs to the run on their right.
// Empty when the block does not divide. The image is only read.
std::vector<Region> divideColumnsAtGaps(const cv::Mat& image, Region region,
                                        SegmentationParams params);

// The gap below which two column runs are joined: 0.75 x the upper median gap
// near the top of the recursion, 2 x lineGap deeper (depth > 2 with a measured
// line gap), never below params.minGap.
std::int32_t columnGapThreshold(RunList runs, Region region, SegmentationParams params);

} // namespace pagecut
