// SPDX-License-Identifier: Apache-2.0
#include "working_page/vertical_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pagecut {

namespace {

// Records the run of column `x` that ends above row `y`, when it is long.
void endRun(std::vector<cv::Rect>& runs, std::uint16_t& length, int x, int y, int minLength) {
    if (length >= minLength)
        runs.emplace_back(x, y - length, 1, length);
    length = 0;
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
    const std::uint16_t cap = static_cast<std::uint16_t>(std::min(ink.rows, 65535));
    std::vector<std::uint16_t> length(ink.cols, 0);
    std::vector<cv::Rect> runs;
    for (int y = 0; y < ink.rows; ++y) {
        const std::uint8_t* row = ink.ptr<std::uint8_t>(y);
        for (int x = 0; x < ink.cols; ++x) {
            if (row[x] != 0)
                length[x] = std::min<std::uint16_t>(static_cast<std::uint16_t>(length[x] + 1), cap);
            else if (length[x] != 0)
                endRun(runs, length[x], x, y, minLength);
        }
    }
    for (int x = 0; x < ink.cols; ++x)
        endRun(runs, length[x], x, ink.rows, minLength);
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
