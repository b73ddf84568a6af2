// SPDX-License-Identifier: Apache-2.0
// The 8-connected components of a page's ink, found by runs: a run of ink
// within a row belongs to one component whole, and a page is mostly paper,
// so joining the runs of neighbouring rows takes a fraction of the work of
// labelling every pixel.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// The ink [x0, x1) of row y, and the component it belongs to.
struct InkRun {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
    int component = 0;
};

// One component: its bounding box and its pixel count.
struct InkComponent {
    cv::Rect box;
    int area = 0;
};

struct InkComponents {
    std::vector<InkRun> runs;             // every run of ink, row by row, left to right
    std::vector<InkComponent> components; // indexed by InkRun::component
};

// The 8-connected components of the nonzero pixels of an 8-bit, one-channel
// image: the partition cv::connectedComponents makes with connectivity 8,
// numbered from 0 in the order of their first pixel.
InkComponents inkComponents(const cv::Mat& binary);

} // namespace pagecut
