// SPDX-License-Identifier: Apache-2.0
#include "working_page/vertical_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace pagecut {

namespace {

// One row of run lengths: each column's vertical run of ink down to this
// row (`next`) from those down to the row above (`above`), counted up to
// `cap`. Returns whether a run at least `minLength` long ended above this
// row. Branch-free, so that it vectorises.
bool growRuns(const std::uint8_t* __restrict row, const std::uint16_t* __restrict above,
              std::uint16_t* __restrict next, int cols, std::uint16_t cap,
              std::uint16_t minLength) {
    std::uint8_t ended = 0;
    for (int x = 0; x < cols; ++x) {
        const std::uint16_t inked = row[x] != 0 ? 0xFFFF : 0;
        ended |= static_cast<std::uint8_t>((above[x] >= minLength) & (row[x] == 0));
        const std::uint16_t grown = above[x] < cap ? static_cast<std::uint16_t>(above[x] + 1) : cap;
        next[x] = grown & inked;
    }
    return ended != 0;
}

// Whether two runs or rules belong to one rule: their columns touch and
// their rows overlap or lie less than `gap` apart.
bool sameRule(const cv::Rect& a, const cv::Rect& b, int gap) {
    const bool columnsTouch = b.x <= a.x + a.width && a.x <= b.x + b.width;
    const bool rowsNear = b.y < a.y + a.height + gap && a.y < b.y + b.height + gap;
    return columnsTouch && rowsNear;
}

} // namespace

std::vector<cv::Rect> findVerticalRules(const cv::Mat& ink, double textHeight) {
    const int minLength = std::max(3, static_cast<int>(std::lround(4 * textHeight)));
    const int maxWidth = std::max(1, static_cast<int>(textHeight / 3));
    const auto cap = static_cast<std::uint16_t>(std::min(ink.rows, 65535));
    const auto shortest = static_cast<std::uint16_t>(std::min(minLength, 65535));
    std::vector<std::uint16_t> above(ink.cols, 0), next(ink.cols, 0);
    std::vector<cv::Rect> runs;
    // Long runs are rare: the row above is looked at only when one ended.
    const auto recordEnded = [&](int y, const std::uint8_t* row) {
        for (int x = 0; x < ink.cols; ++x) {
            if (above[x] >= shortest && (row == nullptr || row[x] == 0))
                runs.emplace_back(x, y - above[x], 1, above[x]);
        }
    };
    for (int y = 0; y < ink.rows; ++y) {
        const std::uint8_t* row = ink.ptr<std::uint8_t>(y);
        if (growRuns(row, above.data(), next.data(), ink.cols, cap, shortest))
            recordEnded(y, row);
        std::swap(above, next);
    }
    recordEnded(ink.rows, nullptr);
    // Runs come column by column from the top; join each into the rules so far.
    std::sort(runs.begin(), runs.end(), [](const cv::Rect& a, const cv::Rect& b) {
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    });
    const int gap = static_cast<int>(std::lround(textHeight));
    std::vector<cv::Rect> rules;
    for (const cv::Rect& run : runs) {
        auto it = std::find_if(rules.begin(), rules.end(),
                               [&](const cv::Rect& r) { return sameRule(r, run, gap); });
        if (it == rules.end())
            rules.push_back(run);
        else
            *it |= run;
    }
    std::erase_if(rules, [&](const cv::Rect& r) { return r.width > maxWidth; });
    return rules;
}

} // namespace pagecut
