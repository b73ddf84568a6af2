#include "strategies/closed_background.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace pagecut {

namespace {

// Streams the rows of the closed block's background (1 where the closing left
// background) to `emit`, top to bottom.
//
// Binary dilation and erosion by a rectangle are separable, and each 1-D pass
// only asks whether a window holds a 1 (or a 0). Keeping, per column, the last
// row that held one answers the vertical question in constant time, and a
// prefix count answers the horizontal one. The erosion needs the dilated rows
// `below` rows ahead, and the dilation the input rows as far ahead again, so
// rows come out 2 x `below` rows behind the input.
// out[x] = OR (or AND) of in[x .. x + width - 1], for x in [0, n). The common
// width is a constant so that the compiler can vectorise the window.
template <int Width, bool Or> void windowFixed(const std::uint8_t* in, std::uint8_t* out, int n) {
    for (int x = 0; x < n; ++x) {
        std::uint8_t v = in[x];
        for (int k = 1; k < Width; ++k)
            v = Or ? (v | in[x + k]) : (v & in[x + k]);
        out[x] = v;
    }
}

template <bool Or> void windowAny(const std::uint8_t* in, std::uint8_t* out, int n, int width) {
    if (width == 11) {
        windowFixed<11, Or>(in, out, n);
        return;
    }
    for (int x = 0; x < n; ++x) {
        std::uint8_t v = in[x];
        for (int k = 1; k < width; ++k)
            v = Or ? (v | in[x + k]) : (v & in[x + k]);
        out[x] = v;
    }
}

void orWindow(const std::uint8_t* in, std::uint8_t* out, int n, int width) {
    windowAny<true>(in, out, n, width);
}

void andWindow(const std::uint8_t* in, std::uint8_t* out, int n, int width) {
    windowAny<false>(in, out, n, width);
}

template <typename Emit>
void streamClosedBackground(const cv::Mat& block, int kernelWidth, int kernelHeight, Emit emit) {
    const int W = block.cols;
    const int H = block.rows;
    const int left = kernelWidth / 2, right = kernelWidth - 1 - left;
    const int above = kernelHeight / 2, below = kernelHeight - 1 - above;
    constexpr int kNever = std::numeric_limits<int>::min() / 2;

    std::vector<int> lastInk(W, kNever); // last input row with ink, per column
    std::vector<int> lastGap(W, kNever); // last dilated row with a 0, per column
    // A row with `left` cells of padding on the left and `right` on the right,
    // so that the horizontal window never needs clipping: outside the block
    // the dilation sees no ink and the erosion no background.
    std::vector<std::uint8_t> padded(W + kernelWidth - 1);
    std::uint8_t* centre = padded.data() + left;
    std::vector<std::uint8_t> window(W), out(W);

    for (int t = 0; t < H + 2 * below; ++t) {
        if (t < H) {
            const std::uint8_t* input = block.ptr<std::uint8_t>(t);
            for (int x = 0; x < W; ++x)
                lastInk[x] = input[x] != 0 ? t : lastInk[x];
        }
        const int y1 = t - below;
        if (y1 >= 0 && y1 < H) {
            // Dilated row y1: ink within the window.
            std::fill(padded.begin(), padded.end(), 0);
            const int reach = y1 - above;
            for (int x = 0; x < W; ++x)
                centre[x] = lastInk[x] >= reach;
            orWindow(padded.data(), window.data(), W, kernelWidth);
            for (int x = 0; x < W; ++x)
                lastGap[x] = window[x] == 0 ? y1 : lastGap[x];
        }
        const int y2 = t - 2 * below;
        if (y2 >= 0 && y2 < H) {
            // Eroded row y2: no dilated 0 within the window.
            std::fill(padded.begin(), padded.end(), 1);
            const int reach = y2 - above;
            for (int x = 0; x < W; ++x)
                centre[x] = lastGap[x] < reach;
            andWindow(padded.data(), window.data(), W, kernelWidth);
            for (int x = 0; x < W; ++x)
                out[x] = window[x] ^ 1;
            emit(y2, out);
        }
    }
    (void)right;
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

} // namespace

cv::Mat closeBlock(const cv::Mat& block, int kernelWidth, int kernelHeight) {
    cv::Mat closed(block.size(), CV_8UC1);
    streamClosedBackground(block, kernelWidth, kernelHeight,
                           [&](int y, const std::vector<std::uint8_t>& background) {
                               std::uint8_t* dst = closed.ptr<std::uint8_t>(y);
                               for (int x = 0; x < closed.cols; ++x)
                                   dst[x] = background[x] ? 0 : 1;
                           });
    return closed;
}

std::vector<BackgroundComponent> closedBackgroundComponents(const cv::Mat& block, int kernelWidth,
                                                            int kernelHeight) {
    // Background runs, labelled as they come: a run joins every run of the
    // row above that it touches, diagonals included (8-connectivity).
    std::vector<Run> runs;
    std::vector<int> parent;
    std::size_t previousBegin = 0, previousEnd = 0;
    streamClosedBackground(
        block, kernelWidth, kernelHeight, [&](int y, const std::vector<std::uint8_t>& background) {
            const std::size_t currentBegin = runs.size();
            const int W = static_cast<int>(background.size());
            std::size_t above = previousBegin;
            for (int x = 0; x < W;) {
                if (!background[x]) {
                    ++x;
                    continue;
                }
                const int x0 = x;
                while (x < W && background[x])
                    ++x;
                Run run{y, x0, x, -1};
                // Runs above that end before x0 - 1 cannot touch this run or
                // any later one in the row.
                while (above < previousEnd && runs[above].x1 < x0)
                    ++above;
                for (std::size_t k = above; k < previousEnd && runs[k].x0 <= x; ++k) {
                    const int root = findRoot(parent, runs[k].label);
                    if (run.label < 0) {
                        run.label = root;
                    } else {
                        const int mine = findRoot(parent, run.label);
                        if (mine != root)
                            parent[std::max(mine, root)] = std::min(mine, root);
                    }
                }
                if (run.label < 0) {
                    run.label = static_cast<int>(parent.size());
                    parent.push_back(run.label);
                }
                runs.push_back(run);
            }
            previousBegin = currentBegin;
            previousEnd = runs.size();
        });

    std::vector<int> index(parent.size(), -1);
    std::vector<BackgroundComponent> components;
    for (Run& run : runs) {
        run.label = findRoot(parent, run.label);
        int& slot = index[run.label];
        if (slot < 0) {
            slot = static_cast<int>(components.size());
            BackgroundComponent fresh;
            fresh.left = run.x0;
            fresh.top = run.y;
            fresh.width = run.x1 - run.x0; // right edge for now
            fresh.height = run.y;          // bottom row for now
            components.push_back(fresh);
            components.back().width = run.x1;
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
        c.columnCounts.assign(c.width + 1, 0);
    }
    // Column counts from +1 / -1 marks at each run's ends.
    for (const Run& run : runs) {
        BackgroundComponent& c = components[index[run.label]];
        ++c.columnCounts[run.x0 - c.left];
        --c.columnCounts[run.x1 - c.left];
    }
    for (BackgroundComponent& c : components) {
        std::partial_sum(c.columnCounts.begin(), c.columnCounts.end(), c.columnCounts.begin());
        c.columnCounts.pop_back();
    }
    return components;
}

} // namespace pagecut
