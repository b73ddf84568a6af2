// SPDX-License-Identifier: Apache-2.0
#include "core/region.h"

#include <utility>

namespace pagecut {

SegmentationParams boxPassParams() {
    return SegmentationParams{10, 0, 100, false, false, true, true, {}, true, true};
}

SegmentationParams layoutPassParams(std::vector<Region> boxes) {
    return SegmentationParams{25, 0, 100, true, false, true, false, std::move(boxes), true, true};
}

Region rootRegion(int cols, int rows) {
    Region root;
    root.rect = cv::Rect(0, 0, cols, rows);
    return root;
}

} // namespace pagecut
