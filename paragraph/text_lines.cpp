// SPDX-License-Identifier: Apache-2.0
#include "paragraph/text_lines.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "core/profile.h"
#include "core/rect_algebra.h"

namespace pagecut {

namespace {

// Every limit in units of U, the height of a line of text.
constexpr double kSplitFrom = 1.5;    // line boxes this tall may hold several lines
constexpr double kPeakReach = 1.0;    // a valley is measured against the peaks this near
constexpr double kValleyShare = 0.34; // and lies at most this share of the lower peak
constexpr double kMinLine = 0.5;      // each line keeps this many rows of ink
constexpr double kLineGap = 2.0;      // widest gap inside a line

// `r` shrunk to its ink; empty when it holds none.
cv::Rect trimmedToInk(const cv::Mat& ink, const cv::Rect& r) {
    const cv::Rect clipped = clipToImage(r, ink);
    if (clipped.empty())
        return {};
    const cv::Rect tight = cv::boundingRect(ink(clipped));
    return tight.empty() ? cv::Rect() : tight + clipped.tl();
}

// The rows of `box` smoothed over three rows.
std::vector<int> smoothedRows(const cv::Mat& ink, const cv::Rect& box) {
    const cv::Mat rows = rowProfile(ink(box));
    const int* v = rows.ptr<int>();
    const int n = box.height;
    std::vector<int> out(n);
    for (int y = 0; y < n; ++y)
        out[y] = v[y] + (y > 0 ? v[y - 1] : 0) + (y + 1 < n ? v[y + 1] : 0);
    return out;
}

// The rows at the bottom of valleys deep enough to part two lines.
std::vector<int> valleys(const std::vector<int>& rows, double unit) {
    const int n = static_cast<int>(rows.size());
    const int reach = std::max(1, static_cast<int>(std::lround(kPeakReach * unit)));
    std::vector<int> out;
    for (int y = 1; y + 1 < n; ++y) {
        if (rows[y] >= rows[y - 1])
            continue;
        // The bottom of a valley may be flat: it counts once, at its middle,
        // and only when the profile rises after it.
        int end = y;
        while (end + 1 < n && rows[end + 1] == rows[y])
            ++end;
        if (end + 1 >= n || rows[end + 1] < rows[y]) {
            y = end;
            continue;
        }
        const auto above =
            std::max_element(rows.begin() + std::max(0, y - reach), rows.begin() + y);
        const auto below =
            std::max_element(rows.begin() + end + 1, rows.begin() + std::min(n, end + 1 + reach));
        if (rows[y] <= kValleyShare * std::min(*above, *below))
            out.push_back((y + end) / 2);
        y = end;
    }
    return out;
}

} // namespace

std::vector<cv::Rect> splitLines(const cv::Mat& ink, const cv::Rect& box, double unit) {
    const cv::Rect whole = trimmedToInk(ink, box);
    if (whole.empty())
        return {};
    const std::vector<int> rows = smoothedRows(ink, whole);
    const int minLine = static_cast<int>(std::lround(kMinLine * unit));
    std::vector<cv::Rect> lines;
    int top = 0;
    for (const int cut : valleys(rows, unit)) {
        const cv::Rect above = trimmedToInk(ink, {whole.x, whole.y + top, whole.width, cut - top});
        const cv::Rect rest =
            trimmedToInk(ink, {whole.x, whole.y + cut, whole.width, whole.height - cut});
        if (above.height < minLine || rest.height < minLine)
            continue;
        lines.push_back(above);
        top = cut;
    }
    lines.push_back(trimmedToInk(ink, {whole.x, whole.y + top, whole.width, whole.height - top}));
    return lines;
}

void sortLines(std::vector<cv::Rect>& lines) {
    std::sort(lines.begin(), lines.end(), [](const cv::Rect& a, const cv::Rect& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    const auto byX = [](const cv::Rect& a, const cv::Rect& b) { return a.x < b.x; };
    std::size_t row = 0;
    for (std::size_t k = 1; k <= lines.size(); ++k) {
        if (k < lines.size() && verticalOverlap(lines[row], lines[k]) * 2 >
                                    std::min(lines[row].height, lines[k].height))
            continue;
        std::stable_sort(lines.begin() + static_cast<std::ptrdiff_t>(row),
                         lines.begin() + static_cast<std::ptrdiff_t>(k), byX);
        row = k;
    }
}

std::vector<cv::Rect> textLines(const cv::Mat& ink, const std::vector<cv::Rect>& lines,
                                double unit) {
    std::vector<cv::Rect> split;
    for (const cv::Rect& line : lines) {
        if (line.height > kSplitFrom * unit) {
            const std::vector<cv::Rect> parts = splitLines(ink, line, unit);
            split.insert(split.end(), parts.begin(), parts.end());
        } else if (const cv::Rect tight = trimmedToInk(ink, line); !tight.empty()) {
            split.push_back(tight);
        }
    }
    std::sort(split.begin(), split.end(),
              [](const cv::Rect& a, const cv::Rect& b) { return a.y < b.y; });
    std::vector<cv::Rect> joined;
    for (const cv::Rect& r : split) {
        // Level parts join unless a gap wider than any inside a line parts
        // them: text beside a column of figures is two lines, not one.
        auto same = std::find_if(joined.begin(), joined.end(), [&](const cv::Rect& l) {
            return verticalOverlap(l, r) * 2 >= std::min(l.height, r.height) &&
                   -horizontalOverlap(l, r) <= kLineGap * unit;
        });
        if (same == joined.end())
            joined.push_back(r);
        else
            *same |= r;
    }
    sortLines(joined);
    return joined;
}

} // namespace pagecut
