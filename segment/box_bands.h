// SPDX-License-Identifier: Apache-2.0
// Cutting a block into bands around the framed blocks found by the first pass.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

// Every box of params.boxes that lies inside the block and spans at least half
// its width gets a band of its own; the bands above, at and below such boxes
// are returned in the order of `boxes` (unsorted), those without ink dropped.
// Empty when the block does not divide.
std::vector<Region> cutAroundBoxes(const cv::Mat& image, Region region, SegmentationParams params);

} // namespace pagecut
