// SPDX-License-Identifier: Apache-2.0
#include "paragraph/gutters.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/profile.h"

namespace pagecut {

namespace {

// Limits in units of U, the height of a line of text.
constexpr double kMinWidth = 0.3; // a gutter is at least this wide,
constexpr double kSide = 6.0;     // with this much of a block on either side,
constexpr double kLook = 3.0;     // text within this of it,
constexpr double kFollow = 12.0;  // followed this far at most,
constexpr double kBreak = 1.5;    // up to a blank this high beside it,
constexpr double kText = 4.0;     // through this many rows of text beside it,
constexpr int kVotes = 3;         // and found in this many other blocks
constexpr double kAlign = 1.0;    // within this of it.

// A stretch of gutter: columns [x0, x1) blank in rows [top, bottom).
struct Gutter {
    int x0 = 0, x1 = 0, top = 0, bottom = 0;
    int middle() const { return (x0 + x1) / 2; }
};

// How a gutter is followed from row to row.
struct Trace {
    int minWidth; // the narrowest gutter,
    int look;     // text beside it lies this near,
    int limit;    // followed this many rows at most,
    int gap;      // no further than a blank this high beside it,
    int text;     // and a gutter through this many rows of text at least.
};

// Whether row `row` holds ink in columns [a, b), clipped to `cols`.
bool inked(const std::uint8_t* row, int a, int b, int cols) {
    return std::any_of(row + std::max(a, 0), row + std::min(b, cols),
                       [](std::uint8_t v) { return v != 0; });
}

// Follows the blank columns [x0, x1) row by row from `y` in steps of `step`,
// narrowing them to the widest blank run of each row while that stays wide
// enough, until the text beside them ends. Returns the number of rows with
// ink on both sides (text beside a gutter, not the blank of a margin);
// `y` is left one past the last row followed.
int follow(const cv::Mat& ink, int& x0, int& x1, int& y, int step, const Trace& t) {
    int rows = 0, blank = 0;
    for (int n = 0; n < t.limit && blank < t.gap && y >= 0 && y < ink.rows; ++n, y += step) {
        const std::uint8_t* row = ink.ptr<std::uint8_t>(y);
        int best0 = 0, best1 = 0;
        for (int x = x0; x < x1;) {
            int end = x;
            while (end < x1 && row[end] == 0)
                ++end;
            if (end - x > best1 - best0)
                best0 = x, best1 = end;
            x = end + 1;
        }
        if (best1 - best0 < t.minWidth)
            break;
        x0 = best0, x1 = best1;
        const bool left = inked(row, x0 - t.look, x0, ink.cols);
        const bool right = inked(row, x1, x1 + t.look, ink.cols);
        rows += left && right;
        blank = left || right ? 0 : blank + 1;
    }
    return rows;
}

// The gutter through the blank columns [x0, x1) of block `r`, followed up
// and down from it: one stretch, or two when the ways up and down narrow to
// different runs (the two sides of what is left of a rule). Empty when too
// little text stands beside it.
std::vector<Gutter> followFrom(const cv::Mat& ink, const cv::Rect& r, int x0, int x1,
                               const Trace& t) {
    // A gutter keeps its width but for what reaches into it: where the blank
    // narrows to less than half, it has run into a space between words.
    Trace narrowest = t;
    narrowest.minWidth = std::max(t.minWidth, (x1 - x0 + 1) / 2);
    Trace inside = narrowest;
    inside.limit = r.height;
    inside.gap = r.height + 1;
    int y = r.y;
    int rows = follow(ink, x0, x1, y, 1, inside);
    int up0 = x0, up1 = x1, top = r.y - 1;
    rows += follow(ink, up0, up1, top, -1, narrowest);
    int bottom = r.y + r.height;
    rows += follow(ink, x0, x1, bottom, 1, narrowest);
    if (rows < t.text)
        return {};
    if (std::max(x0, up0) < std::min(x1, up1))
        return {{std::max(x0, up0), std::min(x1, up1), top + 1, bottom}};
    return {{up0, up1, top + 1, r.y + r.height}, {x0, x1, r.y, bottom}};
}

// The gutters that block `r` holds: its blank column runs wide enough, with
// enough of the block on both sides, followed above and below it.
std::vector<Gutter> guttersOf(const cv::Mat& ink, const cv::Rect& r, double unit, const Trace& t) {
    const cv::Mat columns = columnProfile(ink(r));
    const int* v = columns.ptr<int>();
    const int side = static_cast<int>(kSide * unit);
    std::vector<Gutter> gutters;
    for (int x = side; x < r.width - side;) {
        int end = x;
        while (end < r.width - side && v[end] == 0)
            ++end;
        if (end - x >= t.minWidth) {
            for (const Gutter& g : followFrom(ink, r, r.x + x, r.x + end, t))
                gutters.push_back(g);
        }
        x = std::max(end, x + 1);
    }
    return gutters;
}

// The gutters of `found` (per block) that at least kVotes other blocks hold
// within kAlign.
std::vector<Gutter> sharedGutters(const std::vector<std::vector<Gutter>>& found, double unit) {
    std::vector<Gutter> shared;
    for (std::size_t k = 0; k < found.size(); ++k) {
        for (const Gutter& g : found[k]) {
            int votes = 0;
            for (std::size_t j = 0; j < found.size(); ++j) {
                votes +=
                    j != k && std::any_of(found[j].begin(), found[j].end(), [&](const Gutter& o) {
                        return std::abs(o.middle() - g.middle()) <= kAlign * unit;
                    });
            }
            if (votes >= kVotes)
                shared.push_back(g);
        }
    }
    return shared;
}

} // namespace

std::vector<cv::Rect> splitAtPageGutters(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                         double unit) {
    const Trace trace{std::max(1, static_cast<int>(kMinWidth * unit)),
                      std::max(1, static_cast<int>(kLook * unit)), static_cast<int>(kFollow * unit),
                      static_cast<int>(kBreak * unit), static_cast<int>(kText * unit)};
    std::vector<std::vector<Gutter>> found;
    for (const cv::Rect& r : blocks)
        found.push_back(guttersOf(ink, r, unit, trace));
    const std::vector<Gutter> shared = sharedGutters(found, unit);
    std::vector<cv::Rect> pieces;
    for (const cv::Rect& r : blocks) {
        std::vector<int> cuts;
        for (const Gutter& g : shared) {
            if (g.top <= r.y && g.bottom >= r.y + r.height && g.x0 > r.x && g.x1 < r.x + r.width)
                cuts.push_back(g.middle());
        }
        std::sort(cuts.begin(), cuts.end());
        int from = r.x;
        for (const int x : cuts) {
            if (x - from >= kAlign * unit) {
                pieces.emplace_back(from, r.y, x - from, r.height);
                from = x;
            }
        }
        pieces.emplace_back(from, r.y, r.x + r.width - from, r.height);
    }
    return pieces;
}

} // namespace pagecut
