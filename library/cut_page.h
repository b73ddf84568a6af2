// SPDX-License-Identifier: Apache-2.0
// The library's page entry beyond the public header: the cut that works on
// the caller's image instead of a copy, for the program, which needs the
// decoded page only once.
#pragma once

#include <opencv2/core/mat.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

// cutPage without a copy: `grey` (one 8-bit channel, not shared) becomes the
// working page, and may be drawn into, so its pixels are lost.
PageStatus cutPageInPlace(cv::Mat& grey, const PageBox& box, const PageOptions& options,
                          PageBlocks& result);

} // namespace pagecut
