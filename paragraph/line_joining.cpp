// SPDX-License-Identifier: Apache-2.0
#include "paragraph/line_joining.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include <opencv2/core.hpp>

#include "core/rect_algebra.h"

namespace pagecut {

namespace {

// Limits in units of U, the height of a line of text.
// Lines and column edges.
constexpr int kEdgeBlocks = 4;           // a column edge: this many blocks start (end) there
constexpr double kEdgeReach = 0.5;       // within this distance of it,
constexpr double kEdgeCrossShare = 0.25; // and at most this share of them cross it
constexpr double kLineHeight = 3.0;      // blocks this tall join no line
constexpr double kLineGap = 2.0;         // widest gap inside a line

} // namespace

namespace {

// Whether `x` is a column edge: enough blocks start (or end) within reach of
// it, and few of the blocks beside those cross it.
bool isColumnEdge(const std::vector<cv::Rect>& blocks, int x, bool starts, double unit) {
    const double reach = kEdgeReach * unit;
    int aligned = 0, top = INT32_MAX, bottom = INT32_MIN;
    for (const cv::Rect& r : blocks) {
        const int at = starts ? r.x : r.x + r.width;
        if (std::abs(at - x) <= reach) {
            ++aligned;
            top = std::min(top, r.y);
            bottom = std::max(bottom, r.y + r.height);
        }
    }
    if (aligned < kEdgeBlocks)
        return false;
    int crossing = 0;
    for (const cv::Rect& r : blocks) {
        const bool beside = r.y < bottom && r.y + r.height > top;
        crossing += beside && r.x < x - reach && r.x + r.width > x + reach;
    }
    return crossing <= kEdgeCrossShare * aligned;
}

} // namespace

std::vector<int> columnEdges(const std::vector<cv::Rect>& blocks, double unit) {
    std::vector<int> edges;
    for (const cv::Rect& r : blocks) {
        for (const bool starts : {true, false}) {
            const int x = starts ? r.x : r.x + r.width;
            if (std::find(edges.begin(), edges.end(), x) == edges.end() &&
                isColumnEdge(blocks, x, starts, unit))
                edges.push_back(x);
        }
    }
    return edges;
}

namespace {

// Whether an edge lies in the gap between two blocks side by side.
bool edgeBetween(const cv::Rect& a, const cv::Rect& b, const std::vector<int>& edges, double unit) {
    const int gapStart = std::min(a.x + a.width, b.x + b.width);
    const int gapEnd = std::max(a.x, b.x);
    const double reach = kEdgeReach * unit;
    return std::any_of(edges.begin(), edges.end(),
                       [&](int e) { return e >= gapStart - reach && e <= gapEnd + reach; });
}

} // namespace

std::vector<BlockGroup> joinLines(const std::vector<cv::Rect>& blocks, double unit) {
    const std::vector<int> edges = columnEdges(blocks, unit);
    std::vector<BlockGroup> lines;
    for (int k = 0; k < static_cast<int>(blocks.size()); ++k) {
        const cv::Rect& r = blocks[k];
        if (!lines.empty()) {
            const cv::Rect& last = lines.back().box;
            const bool level = verticalOverlap(last, r) * 2 >= std::min(last.height, r.height);
            const bool single = std::max(last.height, r.height) < kLineHeight * unit;
            if (level && single && -horizontalOverlap(last, r) <= kLineGap * unit &&
                (horizontalOverlap(last, r) > 0 || !edgeBetween(last, r, edges, unit))) {
                lines.back().box |= r;
                continue;
            }
        }
        lines.push_back({r, k, false, {}});
    }
    for (BlockGroup& line : lines)
        line.lines = {line.box};
    return lines;
}

} // namespace pagecut
