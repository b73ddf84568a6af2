// SPDX-License-Identifier: Apache-2.0
#include "segment/block_measures.h"

#include <vector>

#include "core/profile.h"

namespace pagecut {

std::int32_t measureLineGap(cv::Mat view, SegmentationParams params) {
    if (params.boxPass)
        return 0;
    // Only blank or not matters here, so a row stops at its first ink.
    const RunList blankRuns = findRuns(
        view.rows, [&view](int r) { return !rowHasInk(view.ptr<std::uint8_t>(r), view.cols); });
    if (blankRuns.empty())
        return 1;

    std::vector<std::int32_t> heights;
    for (std::size_t i = 0; i + 1 < blankRuns.size(); i += 2)
        heights.push_back(blankRuns[i + 1] - blankRuns[i]);
    return upperMedian(std::move(heights));
}

bool isBoxed(const cv::Mat& image, Region region) {
    const int width = region.rect.width;
    const int height = region.rect.height;
    if (width <= 20 || height <= 20)
        return false;
    // Only the three outermost lines on each side are ever looked at.
    const cv::Mat view = image(region.rect);
    const auto rowInk = [&](int r) { return inkInRow(view.ptr<std::uint8_t>(r), width); };
    const auto columnInk = [&](int c) {
        std::int32_t sum = 0;
        for (int r = 0; r < height; ++r)
            sum += view.ptr<std::uint8_t>(r)[c];
        return sum;
    };
    const int tolW = static_cast<int>(width * 0.1);
    const int tolH = static_cast<int>(height * 0.1);

    bool top = false, bottom = false, left = false, right = false;
    for (int i = 0; i < 3; ++i) {
        if (top && bottom && left && right)
            break;
        if (!top && rowInk(i) >= width - tolW)
            top = true;
        if (!bottom && rowInk(height - 1 - i) >= width - tolW)
            bottom = true;
        if (!left && columnInk(i) >= height - tolH)
            left = true;
        if (!right && columnInk(width - 1 - i) >= height - tolH)
            right = true;
    }
    return top && bottom && left && right;
}

} // namespace pagecut
