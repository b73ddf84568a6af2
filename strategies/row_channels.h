// SPDX-License-Identifier: Apache-2.0
// Dividing a block into bands at blank rows, except where the cut would cross
// a vertical white channel (such as the gutter between two columns).
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

// Full-width bands of the block, top to bottom; a cut between two row runs is
// refused when a channel spans it. Channels are background components of the
// block closed with an 11 x 201 rectangle. Empty when the block does not
// divide. The image is only read. `rowInk` is the block's row profile,
// rowProfile(image(region.rect)), which the caller reads too.
std::vector<Region> divideRowsAroundChannels(const cv::Mat& image, Region region,
                                             SegmentationParams params, const cv::Mat& rowInk);

} // namespace pagecut
