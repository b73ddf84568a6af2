// SPDX-License-Identifier: Apache-2.0
#include "segment/merge.h"

#include <algorithm>

namespace pagecut {

cv::Rect boundingBox(const cv::Rect& a, const cv::Rect& b) {
    const int x = std::min(a.x, b.x);
    const int y = std::min(a.y, b.y);
    const int right = std::max(a.x + a.width, b.x + b.width);
    const int bottom = std::max(a.y + a.height, b.y + b.height);
    return cv::Rect(x, y, right - x, bottom - y);
}

bool overlaps(const cv::Rect& a, const cv::Rect& b) {
    const int w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const int h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0;
}

void mergeRegions(std::vector<Region> input, std::vector<Region>& output) {
    const std::size_t n = input.size();
    std::size_t i = 0;
    while (i < n) {
        Region run = input[i];
        if (i == n - 1) {
            output.push_back(run);
            return;
        }
        for (std::size_t j = i + 1;; ++j) {
            const Region& next = input[j];
            Region merged = run;
            merged.rect = boundingBox(run.rect, next.rect);
            const auto hits = [&](const Region& other) {
                return overlaps(merged.rect, other.rect);
            };
            const bool clear = std::none_of(input.begin() + j + 1, input.end(), hits) &&
                               std::none_of(output.begin(), output.end(), hits);
            const bool free = !run.inCell && !next.inCell;
            if (clear && free && j < n - 1) {
                run.rect = merged.rect;
                continue;
            }
            if (j == n - 1 && free) {
                output.push_back(merged);
                return;
            }
            output.push_back(run);
            i = j;
            break;
        }
    }
}

} // namespace pagecut
