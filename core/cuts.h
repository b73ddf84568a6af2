// SPDX-License-Identifier: Apache-2.0
// The two plain projection cuts: a block into horizontal bands at its blank
// rows, and into vertical strips at its blank columns.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/profile.h"
#include "core/region.h"

namespace pagecut {

// One band per run of inked rows, top to bottom; empty when the block does
// not divide. `image` is the working image the region's rect refers to.
std::vector<Region> splitIntoBands(const cv::Mat& image, Region region, SegmentationParams params);

// Vertical strips, left to right, after joining runs closer than minGap and
// (optionally) keeping only gaps open just above and below the block; with
// firstColumnOnly at most two strips. Empty when the block does not divide.
std::vector<Region> splitIntoColumns(const cv::Mat& image, Region region,
                                     SegmentationParams params);

// Keeps a gap between neighbouring column runs only when its middle column is
// clear of ink on the block's top and bottom rows and on the three pixels just
// above and just below the block. Reads one row outside the block on each side.
RunList refineColumnRuns(const cv::Mat& image, const Region& region, RunList runs);

} // namespace pagecut
