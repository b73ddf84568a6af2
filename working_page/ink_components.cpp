// SPDX-License-Identifier: Apache-2.0
#include "working_page/ink_components.h"

#include <algorithm>
#include <cstdint>

#include "core/profile.h"

namespace pagecut {

namespace {

int rootOf(std::vector<int>& parent, int k) {
    while (parent[k] != k)
        k = parent[k] = parent[parent[k]];
    return k;
}

// Joins the sets of runs a and b; the root of a set is its first run.
void join(std::vector<int>& parent, int a, int b) {
    a = rootOf(parent, a);
    b = rootOf(parent, b);
    parent[std::max(a, b)] = std::min(a, b);
}

} // namespace

InkComponents inkComponents(const cv::Mat& binary) {
    CV_Assert(binary.type() == CV_8UC1);
    InkComponents found;
    std::vector<InkRun>& runs = found.runs;
    std::vector<int> parent;
    int above = 0; // the first run of the row above
    for (int y = 0; y < binary.rows; ++y) {
        const int first = static_cast<int>(runs.size());
        forEachInkRun(binary.ptr<std::uint8_t>(y), binary.cols, [&runs, y](int x0, int x1) {
            runs.push_back(InkRun{y, x0, x1, 0});
        });
        const int end = static_cast<int>(runs.size());
        for (int k = first; k < end; ++k) {
            parent.push_back(k);
            // Runs above touch this one, corners included, when they reach
            // from x0 - 1 to x1. A run that ends left of that ends left of
            // every later run of this row too.
            while (above < first && runs[above].x1 < runs[k].x0)
                ++above;
            for (int a = above; a < first && runs[a].x0 <= runs[k].x1; ++a)
                join(parent, a, k);
        }
        above = first;
    }
    // A set's root is its first run, so components are numbered in the
    // order of their first pixel, and a root is numbered before its runs.
    std::vector<int> right;
    for (int k = 0; k < static_cast<int>(runs.size()); ++k) {
        InkRun& run = runs[k];
        const int root = rootOf(parent, k);
        if (root == k) {
            run.component = static_cast<int>(found.components.size());
            found.components.push_back(InkComponent{cv::Rect(run.x0, run.y, 0, 0), 0});
            right.push_back(run.x1);
        } else {
            run.component = runs[root].component;
        }
        InkComponent& component = found.components[run.component];
        component.box.x = std::min(component.box.x, run.x0);
        right[run.component] = std::max(right[run.component], run.x1);
        component.box.height = run.y - component.box.y + 1;
        component.area += run.x1 - run.x0;
    }
    for (std::size_t c = 0; c < found.components.size(); ++c)
        found.components[c].box.width = right[c] - found.components[c].box.x;
    return found;
}

} // namespace pagecut
