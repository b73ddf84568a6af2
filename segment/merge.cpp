// SPDX-License-Identifier: Apache-2.0
#include "segment/merge.h"

#include <algorithm>

#include "core/rect_algebra.h"

namespace pagecut {

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
            merged.rect = run.rect | next.rect;
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
