// SPDX-License-Identifier: Apache-2.0
// What the program asks of two rectangles beyond cv::Rect's own algebra
// (`a | b` is the bounding box, `a & b` the intersection): how far they
// overlap along one axis, and whether they share an area.
#pragma once

#include <algorithm>

#include <opencv2/core/types.hpp>

namespace pagecut {

// The length of the shared part of the rows of `a` and `b`; negative: the
// gap between them.
inline int verticalOverlap(const cv::Rect& a, const cv::Rect& b) {
    return std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
}

// The same for the columns.
inline int horizontalOverlap(const cv::Rect& a, const cv::Rect& b) {
    return std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
}

// True when the rectangles share an area; touching edges do not count.
inline bool overlaps(const cv::Rect& a, const cv::Rect& b) {
    return !(a & b).empty();
}

} // namespace pagecut
