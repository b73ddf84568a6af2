// SPDX-License-Identifier: Apache-2.0
#include "segment/box_bands.h"

#include "core/profile.h"

namespace pagecut {

std::vector<Region> cutAroundBoxes(const cv::Mat& image, Region region, SegmentationParams params) {
    const cv::Rect& r = region.rect;
    const int half = r.width / 2;
    // Row offsets read in pairs; the rows just above and below a box belong to
    // no band, so the box never shares a band with the text around it.
    RunList cuts{0};
    for (const Region& box : params.boxes) {
        const cv::Rect& k = box.rect;
        const bool insideX = k.x >= r.x && k.x + k.width <= r.x + r.width;
        const bool wideEnough = k.width >= r.width - half;
        const bool insideY = k.y >= r.y && k.y + k.height <= r.y + r.height;
        if (!insideX || !wideEnough || !insideY)
            continue;
        const int top = k.y - r.y;
        const int bottom = k.y + k.height - r.y;
        cuts.insert(cuts.end(), {top - 1, top, bottom, bottom + 1});
    }
    cuts.push_back(r.height);

    std::vector<Region> kept;
    for (const Region& band : regionsFromRuns(image, region, std::move(cuts), SlabAxis::Rows)) {
        if (inkInside(image, band.rect) > 0)
            kept.push_back(band);
    }
    return kept;
}

} // namespace pagecut
