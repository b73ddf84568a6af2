// SPDX-License-Identifier: Apache-2.0
#include "strategies/closed_background.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

namespace pagecut {

namespace {

// out[x] = OR of in[x .. x + width - 1] for x in [0, n); `in` holds
// n + width - 1 values. Windows of doubling length are combined first, so a
// window of 11 takes four vectorised passes instead of ten.
void slidingOr(const std::uint8_t* in, int n, int width, std::uint8_t* out,
               std::vector<std::uint8_t>& scratchA, std::vector<std::uint8_t>& scratchB) {
    const int length = n + width - 1;
    const std::uint8_t* current = in;
    std::uint8_t* buffers[2] = {scratchA.data(), scratchB.data()};
    int which = 0;
    int span = 1;
    while (span * 2 <= width) {
        std::uint8_t* __restrict next = buffers[which];
        which ^= 1;
        const int valid = length - 2 * span + 1;
        for (int x = 0; x < valid; ++x)
            next[x] = current[x] | current[x + span];
        current = next;
        span *= 2;
    }
    const int shift = width - span;
    for (int x = 0; x < n; ++x)
        out[x] = current[x] | current[x + shift];
}

// Streams the rows of the closed block's background (1 where the closing left
// background) to `emit`, top to bottom.
//
// Binary dilation and erosion by a rectangle are separable, and each 1-D pass
// only asks whether a window holds a 1 (or a 0). A per-column count of the
// rows since the last 1 (saturating, so Counter must exceed kernelHeight - 1)
// answers the vertical question in constant time; the horizontal one is a
// sliding window over the row. The erosion needs the dilated rows `below`
// rows ahead, and the dilation the input rows as far ahead again, so rows come
// out 2 x `below` rows behind the input. Rows past the block's end count as
// blank for the dilation and as ink for the erosion, as the border does.
template <typename Counter, typename Emit>
void streamClosedBackground(const cv::Mat& block, int kernelWidth, int kernelHeight, Emit emit) {
    const int width = block.cols;
    const int height = block.rows;
    const int left = kernelWidth / 2;
    const int below = kernelHeight - 1 - kernelHeight / 2;
    const Counter never = std::numeric_limits<Counter>::max();
    const Counter reach = static_cast<Counter>(kernelHeight - 1); // inside the window up to this

    std::vector<Counter> sinceInk(width, never); // input rows since the last ink
    std::vector<Counter> sinceGap(width, never); // dilated rows since the last 0
    // A row padded with `left` cells before and the rest of the window after,
    // so that the horizontal window never needs clipping: outside the block
    // the dilation sees no ink and the erosion no background.
    const int paddedLength = width + kernelWidth - 1;
    std::vector<std::uint8_t> padded(paddedLength), scratchA(paddedLength), scratchB(paddedLength);
    std::uint8_t* centre = padded.data() + left;
    std::vector<std::uint8_t> window(width), out(width);

    for (int t = 0; t < height + 2 * below; ++t) {
        if (t < height) {
            const std::uint8_t* input = block.ptr<std::uint8_t>(t);
            for (int x = 0; x < width; ++x)
                sinceInk[x] =
                    input[x] != 0 ? Counter(0) : Counter(sinceInk[x] + (sinceInk[x] != never));
        } else {
            for (int x = 0; x < width; ++x)
                sinceInk[x] = Counter(sinceInk[x] + (sinceInk[x] != never));
        }
        const int y1 = t - below;
        if (y1 >= 0 && y1 < height) {
            // Dilated row y1: ink within the window.
            std::fill(padded.begin(), padded.end(), 0);
            for (int x = 0; x < width; ++x)
                centre[x] = sinceInk[x] <= reach;
            slidingOr(padded.data(), width, kernelWidth, window.data(), scratchA, scratchB);
            for (int x = 0; x < width; ++x)
                sinceGap[x] =
                    window[x] == 0 ? Counter(0) : Counter(sinceGap[x] + (sinceGap[x] != never));
        } else if (y1 >= height) {
            for (int x = 0; x < width; ++x)
                sinceGap[x] = Counter(sinceGap[x] + (sinceGap[x] != never));
        }
        const int y2 = t - 2 * below;
        if (y2 >= 0 && y2 < height) {
            // Eroded row y2 is ink where the window holds no dilated 0, so its
            // background is where it holds one.
            std::fill(padded.begin(), padded.end(), 0);
            for (int x = 0; x < width; ++x)
                centre[x] = sinceGap[x] <= reach;
            slidingOr(padded.data(), width, kernelWidth, out.data(), scratchA, scratchB);
            emit(y2, out);
        }
    }
}

template <typename Emit>
void forEachClosedBackgroundRow(const cv::Mat& block, int kernelWidth, int kernelHeight,
                                Emit emit) {
    if (kernelHeight < 255)
        streamClosedBackground<std::uint8_t>(block, kernelWidth, kernelHeight, emit);
    else if (kernelHeight < 65535)
        streamClosedBackground<std::uint16_t>(block, kernelWidth, kernelHeight, emit);
    else
        streamClosedBackground<std::uint32_t>(block, kernelWidth, kernelHeight, emit);
}

// The first x at or after `from` where row[x] is not 0, or `length`.
int nextNonZero(const std::uint8_t* row, int from, int length) {
    int x = from;
    for (; x + 8 <= length; x += 8) {
        std::uint64_t word;
        std::memcpy(&word, row + x, sizeof word);
        if (word != 0)
            break;
    }
    while (x < length && row[x] == 0)
        ++x;
    return x;
}

struct Run {
    int y;
    int x0, x1; // columns [x0, x1)
    int label;
};

int findRoot(std::vector<int>& parent, int label) {
    while (parent[label] != label) {
        parent[label] = parent[parent[label]];
        label = parent[label];
    }
    return label;
}

// Background runs, labelled as they come: a run joins every run of the row
// above that it touches, diagonals included (8-connectivity).
struct RunLabels {
    std::vector<Run> runs;
    std::vector<int> parent;                        // union-find over labels
    std::size_t previousBegin = 0, previousEnd = 0; // the runs of the row above
};

// Gives `run` the label of the runs above it that it touches, joining their
// labels, or a new label when it touches none. `above` is the first run of
// the row above that may touch it; runs of that row are in order.
void labelRun(RunLabels& labels, Run& run, std::size_t& above) {
    // Runs above that end before x0 - 1 cannot touch this run or any later
    // one in the row.
    while (above < labels.previousEnd && labels.runs[above].x1 < run.x0)
        ++above;
    for (std::size_t k = above; k < labels.previousEnd && labels.runs[k].x0 <= run.x1; ++k) {
        const int root = findRoot(labels.parent, labels.runs[k].label);
        if (run.label < 0) {
            run.label = root;
        } else {
            const int mine = findRoot(labels.parent, run.label);
            if (mine != root)
                labels.parent[std::max(mine, root)] = std::min(mine, root);
        }
    }
    if (run.label < 0) {
        run.label = static_cast<int>(labels.parent.size());
        labels.parent.push_back(run.label);
    }
}

void labelRow(RunLabels& labels, int y, const std::vector<std::uint8_t>& background) {
    const std::size_t currentBegin = labels.runs.size();
    const int width = static_cast<int>(background.size());
    std::size_t above = labels.previousBegin;
    for (int x = nextNonZero(background.data(), 0, width); x < width;
         x = nextNonZero(background.data(), x, width)) {
        const int x0 = x;
        while (x < width && background[x])
            ++x;
        Run run{y, x0, x, -1};
        labelRun(labels, run, above);
        labels.runs.push_back(run);
    }
    labels.previousBegin = currentBegin;
    labels.previousEnd = labels.runs.size();
}

// One component per root label, with its bounding box and area; `slotOf`
// maps each root label to its component.
std::vector<BackgroundComponent> boundComponents(RunLabels& labels, std::vector<int>& slotOf) {
    slotOf.assign(labels.parent.size(), -1);
    std::vector<BackgroundComponent> components;
    for (Run& run : labels.runs) {
        run.label = findRoot(labels.parent, run.label);
        int& slot = slotOf[run.label];
        if (slot < 0) {
            slot = static_cast<int>(components.size());
            BackgroundComponent fresh;
            fresh.left = run.x0;
            fresh.top = run.y;
            // Until every run is in, width holds the right edge and height
            // the bottom row.
            fresh.width = run.x1;
            fresh.height = run.y;
            components.push_back(fresh);
        }
        BackgroundComponent& c = components[slot];
        c.left = std::min(c.left, run.x0);
        c.width = std::max(c.width, run.x1);
        c.top = std::min(c.top, run.y);
        c.height = std::max(c.height, run.y);
        c.area += run.x1 - run.x0;
    }
    for (BackgroundComponent& c : components) {
        c.width -= c.left;
        c.height = c.height - c.top + 1;
    }
    return components;
}

// The pixels per column of each component, from +1 / -1 marks at each run's
// ends.
void countColumns(std::vector<BackgroundComponent>& components, const std::vector<Run>& runs,
                  const std::vector<int>& slotOf) {
    for (BackgroundComponent& c : components)
        c.columnCounts.assign(c.width + 1, 0);
    for (const Run& run : runs) {
        BackgroundComponent& c = components[slotOf[run.label]];
        ++c.columnCounts[run.x0 - c.left];
        --c.columnCounts[run.x1 - c.left];
    }
    for (BackgroundComponent& c : components) {
        std::partial_sum(c.columnCounts.begin(), c.columnCounts.end(), c.columnCounts.begin());
        c.columnCounts.pop_back();
    }
}

} // namespace

cv::Mat closeBlock(const cv::Mat& block, int kernelWidth, int kernelHeight) {
    cv::Mat closed(block.size(), CV_8UC1);
    forEachClosedBackgroundRow(block, kernelWidth, kernelHeight,
                               [&](int y, const std::vector<std::uint8_t>& background) {
                                   std::uint8_t* dst = closed.ptr<std::uint8_t>(y);
                                   for (int x = 0; x < closed.cols; ++x)
                                       dst[x] = background[x] ? 0 : 1;
                               });
    return closed;
}

std::vector<BackgroundComponent> closedBackgroundComponents(const cv::Mat& block, int kernelWidth,
                                                            int kernelHeight) {
    RunLabels labels;
    forEachClosedBackgroundRow(block, kernelWidth, kernelHeight,
                               [&](int y, const std::vector<std::uint8_t>& background) {
                                   labelRow(labels, y, background);
                               });
    std::vector<int> slotOf;
    std::vector<BackgroundComponent> components = boundComponents(labels, slotOf);
    countColumns(components, labels.runs, slotOf);
    return components;
}

} // namespace pagecut
