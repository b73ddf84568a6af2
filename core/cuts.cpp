// SPDX-License-Identifier: Apache-2.0
#include "core/cuts.h"

namespace pagecut {

std::vector<Region> splitIntoBands(const cv::Mat& image, Region region, SegmentationParams params) {
    RunList runs = blockRowRuns(image, region, params);
    if (runs.size() < 2)
        return {};
    return regionsFromRuns(image, region, std::move(runs), SlabAxis::Rows);
}

std::vector<Region> splitIntoColumns(const cv::Mat& image, Region region,
                                     SegmentationParams params) {
    RunList runs = blockColumnRuns(image, region, params);
    if (runs.size() < 2)
        return {};

    const cv::Rect& r = region.rect;
    const bool insideVertically = r.y > 0 && r.y + r.height < image.rows;
    if (params.refineColumns && insideVertically && runs.size() > 2)
        runs = refineColumnRuns(image, region, std::move(runs));

    RunList joined = closeGaps(runs, params.minGap);

    if (params.firstColumnOnly && joined.size() > 2)
        joined = RunList{joined[0], joined[1], joined[2], joined.back()};
    return regionsFromRuns(image, region, std::move(joined), SlabAxis::Columns);
}

RunList refineColumnRuns(const cv::Mat& image, const Region& region, RunList runs) {
    const cv::Rect& r = region.rect;
    RunList refined{runs[0]};
    for (std::size_t i = 1; i + 1 < runs.size(); i += 2) {
        const int x = r.x + (runs[i] + runs[i + 1]) / 2;
        const std::int64_t ink = inkInside(image, cv::Rect(x - 1, r.y - 1, 3, 1)) +
                                 inkInside(image, cv::Rect(x - 1, r.y + r.height, 3, 1)) +
                                 inkInside(image, cv::Rect(x, r.y, 1, 1)) +
                                 inkInside(image, cv::Rect(x, r.y + r.height - 1, 1, 1));
        if (ink == 0)
            refined.insert(refined.end(), {runs[i], runs[i + 1]});
    }
    refined.push_back(runs.back());
    return refined;
}

} // namespace pagecut
