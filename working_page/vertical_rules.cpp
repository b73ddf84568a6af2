// SPDX-License-Identifier: Apache-2.0
#include "working_page/vertical_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/profile.h"

namespace pagecut {

namespace {

// A vertical rule is at least this many text heights long, and at most one
// of this many parts of a text height wide.
constexpr double kRuleLength = 4;
constexpr double kRuleWidthParts = 3;

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

// The least length and the greatest width of a vertical rule, in pixels.
int ruleLength(double textHeight) {
    return std::max(3, static_cast<int>(std::lround(kRuleLength * textHeight)));
}

int ruleWidth(double textHeight) {
    return std::max(1, static_cast<int>(textHeight / kRuleWidthParts));
}

// Wipes, on one row, every run of long-vertical-run pixels that is thin
// enough to be a rule, with `margin` columns on each side.
void wipeThinRuns(const std::uint8_t* longRun, std::uint8_t* ink, int cols, int maxWidth,
                  int margin) {
    forEachInkRun(longRun, cols, [=](int start, int end) {
        if (end - start <= maxWidth)
            std::fill(ink + std::max(0, start - margin), ink + std::min(cols, end + margin), 0);
    });
}

// For each pixel, the length of the vertical ink run down to it, counted
// up to `limit` (at most 65535).
cv::Mat runLengthsDown(const cv::Mat& ink, int limit) {
    cv::Mat lengths(ink.size(), CV_16UC1);
    std::vector<std::uint16_t> none(ink.cols, 0);
    for (int r = 0; r < ink.rows; ++r) {
        const auto cap = static_cast<std::uint16_t>(limit);
        growRuns(ink.ptr<std::uint8_t>(r), r > 0 ? lengths.ptr<std::uint16_t>(r - 1) : none.data(),
                 lengths.ptr<std::uint16_t>(r), ink.cols, cap, cap);
    }
    return lengths;
}

// One row of the bottom-up pass: a pixel is on a long run when the run goes
// on below it on a long run, or ends at it with a long length.
void markLongRuns(const std::uint8_t* __restrict row, const std::uint16_t* __restrict length,
                  const std::uint8_t* __restrict below, const std::uint8_t* __restrict belowLong,
                  std::uint8_t* __restrict marked, int cols, std::uint16_t limit) {
    for (int c = 0; c < cols; ++c) {
        const int goesOn = below[c] != 0;
        const int longRun = (goesOn & (belowLong[c] != 0)) | ((goesOn ^ 1) & (length[c] >= limit));
        marked[c] = static_cast<std::uint8_t>((row[c] != 0) & longRun);
    }
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
    const int minLength = ruleLength(textHeight);
    const int maxWidth = ruleWidth(textHeight);
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

void removeVerticalRules(cv::Mat& ink, double textHeight) {
    const int minLength = ruleLength(textHeight);
    const int maxWidth = ruleWidth(textHeight);
    const int margin = std::max(1, static_cast<int>(std::lround(textHeight / 2)));
    const int limit = std::min(minLength, 65535);
    const cv::Mat lengths = runLengthsDown(ink, limit);
    // Bottom up; rows are wiped as they are passed, so the row below is kept
    // as it was.
    std::vector<std::uint8_t> belowLong(ink.cols, 0), below(ink.cols, 0), marked(ink.cols);
    for (int r = ink.rows - 1; r >= 0; --r) {
        std::uint8_t* row = ink.ptr<std::uint8_t>(r);
        markLongRuns(row, lengths.ptr<std::uint16_t>(r), below.data(), belowLong.data(),
                     marked.data(), ink.cols, static_cast<std::uint16_t>(limit));
        std::swap(marked, belowLong);
        std::copy(row, row + ink.cols, below.begin());
        wipeThinRuns(belowLong.data(), row, ink.cols, maxWidth, margin);
    }
}

} // namespace pagecut
