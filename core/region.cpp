// SPDX-License-Identifier: Apache-2.0
#include "core/region.h"

#include <utility>

namespace pagecut {

SegmentationParams boxPassParams() {
    return SegmentationParams{
        .minGap = 10,
        .skipRuleRows = false,
        .boxPass = true,
        .boxes = {},
    };
}

SegmentationParams layoutPassParams(std::vector<Region> boxes) {
    return SegmentationParams{
        .minGap = 25,
        .skipRuleRows = true,
        .boxPass = false,
        .boxes = std::move(boxes),
    };
}

Region rootRegion(int cols, int rows) {
    Region root;
    root.rect = cv::Rect(0, 0, cols, rows);
    return root;
}

} // namespace pagecut
