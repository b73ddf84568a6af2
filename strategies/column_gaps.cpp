// SPDX-License-Identifier: Apache-2.0
#include "strategies/column_gaps.h"

#include <algorithm>

namespace pagecut {

std::int32_t columnGapThreshold(RunList runs, Region region, SegmentationParams params) {
    std::int32_t medianGap = 0;
    if (runs.size() >= 4) {
        std::vector<std::int32_t> gaps;
        for (std::size_t k = 2; k + 1 < runs.size(); k += 2)
            gaps.push_back(runs[k] - runs[k - 1]);
        medianGap = upperMedian(std::move(gaps));
    }
    // Deep in the recursion the block is a column of text: its line spacing
    // says more about word gaps than the few gaps left between its runs.
    std::int32_t threshold;
    if (region.depth > 2 && region.lineGap > 0)
        threshold = 2 * region.lineGap;
    else
        threshold = static_cast<std::int32_t>(medianGap * 0.75);
    return std::max(threshold, params.minGap);
}

std::vector<Region> divideColumnsAtGaps(const cv::Mat& image, Region region,
                                        SegmentationParams params) {
    RunList runs = blockColumnRuns(image, region, params);
    if (runs.size() < 2)
        return {};
    const std::int32_t threshold = columnGapThreshold(runs, region, params);

    const RunList closed = closeGaps(runs, threshold);

    // A narrow run (a drop cap, a line number, a stray mark) belongs with the
    // text on its right. The arithmetic is single precision on purpose: the
    // boundary cases must fall the same way every time.
    const float blockWidth = static_cast<float>(region.rect.width);
    const float blockHeight = static_cast<float>(region.rect.height);
    RunList joined{closed[0]};
    for (std::size_t i = 0; i + 3 < closed.size(); i += 2) {
        const float w = static_cast<float>(closed[i + 1] - closed[i]);
        if (w / blockWidth > 0.08f || w / blockHeight < 0.001f)
            joined.insert(joined.end(), {closed[i + 1], closed[i + 2]});
    }
    joined.push_back(closed.back());
    return regionsFromRuns(image, region, std::move(joined), SlabAxis::Columns);
}

} // namespace pagecut
