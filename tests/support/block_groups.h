// SPDX-License-Identifier: Apache-2.0
// Block groups for the paragraph mode's tests, with U = 20 pixels.
#pragma once

#include <vector>

#include <opencv2/core/types.hpp>

#include "paragraph/block_group.h"

namespace pagecut::test {

constexpr double kUnit = 20;

inline std::vector<cv::Rect> boxesOf(const std::vector<BlockGroup>& groups) {
    std::vector<cv::Rect> boxes;
    for (const BlockGroup& g : groups)
        boxes.push_back(g.box);
    return boxes;
}

// Boxes given to a grouping step and the groups expected of it.
struct GroupingCase {
    const char* what;
    std::vector<cv::Rect> given;
    std::vector<cv::Rect> grouped;
};

// Each box a line of its own, in the order given.
inline std::vector<BlockGroup> linesOf(const std::vector<cv::Rect>& boxes) {
    std::vector<BlockGroup> lines;
    for (std::size_t k = 0; k < boxes.size(); ++k)
        lines.push_back({boxes[k], static_cast<int>(k), false});
    return lines;
}

} // namespace pagecut::test
