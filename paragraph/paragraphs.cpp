// SPDX-License-Identifier: Apache-2.0
#include "paragraph/paragraphs.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "core/rect_algebra.h"

namespace pagecut {

namespace {

// Limits in units of U, the height of a line of text.
constexpr double kEdgeReach = 0.5;        // within this distance of it,
constexpr double kParagraphOverlap = 0.5; // lines may overlap a paragraph this much
constexpr double kGapSlack = 0.5;         // over the page's usual line gap
// Where the type itself ends a paragraph: a last line this much short of the
// measure, then a first line indented this much (but not more than a
// centred line would be) that runs to the measure, ...
constexpr double kShortLine = 2.0;
constexpr double kIndent = 0.6;
constexpr double kMaxIndent = 6.0;
constexpr double kFullLine = 1.0;
// ... or a line that starts this much left of the last one at a left edge
// shared by at least this many lines (a centred heading, a hanging indent).
constexpr double kOutdent = 2.0;
constexpr int kSharedEdgeLines = 3;

} // namespace

namespace {

// The median gap between a line and the nearest line above it in its column.
double usualLineGap(const std::vector<BlockGroup>& lines, double unit) {
    std::vector<std::int32_t> gaps;
    for (const BlockGroup& line : lines) {
        int best = -1;
        for (const BlockGroup& above : lines) {
            const cv::Rect& a = above.box;
            const cv::Rect& b = line.box;
            const int gap = b.y - (a.y + a.height);
            if (&above == &line || gap < -kParagraphOverlap * unit ||
                horizontalOverlap(a, b) * 2 < std::min(a.width, b.width))
                continue;
            if (best < 0 || gap < best)
                best = std::max(gap, 0);
        }
        if (best >= 0)
            gaps.push_back(best);
    }
    if (gaps.empty())
        return 0;
    return upperMedian(std::move(gaps));
}

// Whether `box` overlaps one of `groups` (from `from` on, but `skip`) by
// more than U/2 both ways: lines whose ascenders and descenders interlock
// overlap a little without belonging together.
bool overlapsAny(const cv::Rect& box, const std::vector<BlockGroup>& groups, std::size_t from,
                 std::size_t skip, double unit) {
    const double slack = kParagraphOverlap * unit;
    for (std::size_t k = from; k < groups.size(); ++k) {
        const cv::Rect common = box & groups[k].box;
        if (k != skip && common.width > slack && common.height > slack)
            return true;
    }
    return false;
}

// The latest paragraph of `line`'s column, or -1.
int columnParagraph(const std::vector<BlockGroup>& paragraphs, const cv::Rect& line) {
    for (int k = static_cast<int>(paragraphs.size()) - 1; k >= 0; --k) {
        const cv::Rect& p = paragraphs[k].box;
        if (horizontalOverlap(p, line) * 2 >= std::min(p.width, line.width))
            return k;
    }
    return -1;
}

// For each line, how many lines (itself included) start within U/2 of it.
std::vector<int> sharedLeftEdges(const std::vector<BlockGroup>& lines, double unit) {
    std::vector<int> shared;
    for (const BlockGroup& line : lines) {
        shared.push_back(static_cast<int>(
            std::count_if(lines.begin(), lines.end(), [&](const BlockGroup& other) {
                return std::abs(other.box.x - line.box.x) <= kEdgeReach * unit;
            })));
    }
    return shared;
}

// Whether the type says that `line` begins a new paragraph after `last`, the
// latest line of `paragraph`. Paragraphs often follow each other with no
// more space than lines do; what parts them is a last line that stops short,
// then a first line that is indented, or that starts well to the left at an
// edge other lines share (body text under a centred heading, the next entry
// of a list set with hanging indents). Centred lines of a title all start at
// edges of their own, so they stay together.
bool typeStartsParagraph(const cv::Rect& paragraph, const cv::Rect& last, const cv::Rect& line,
                         int sharedLeftEdge, double unit) {
    const int measureEnd = std::max(paragraph.x + paragraph.width, line.x + line.width);
    if (last.x + last.width > measureEnd - kShortLine * unit)
        return false;
    const int indent = line.x - paragraph.x;
    const bool indented = indent >= kIndent * unit && indent <= kMaxIndent * unit &&
                          line.x + line.width >= paragraph.x + paragraph.width - kFullLine * unit;
    const bool outdented = line.x <= last.x - kOutdent * unit && sharedLeftEdge >= kSharedEdgeLines;
    return indented || outdented;
}

} // namespace

std::vector<BlockGroup> joinParagraphs(const std::vector<BlockGroup>& lines, double unit) {
    const double maxGap = std::max(0.5 * unit, usualLineGap(lines, unit) + kGapSlack * unit);
    const std::vector<int> sharedEdge = sharedLeftEdges(lines, unit);
    std::vector<BlockGroup> paragraphs;
    std::vector<cv::Rect> lastLine; // of each paragraph
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const BlockGroup& line = lines[i];
        const int k = line.table ? -1 : columnParagraph(paragraphs, line.box);
        if (k >= 0 && !paragraphs[k].table) {
            const cv::Rect& p = paragraphs[k].box;
            const int gap = line.box.y - (p.y + p.height);
            const cv::Rect joined = p | line.box;
            if (gap >= -kParagraphOverlap * unit && gap <= maxGap &&
                !typeStartsParagraph(p, lastLine[k], line.box, sharedEdge[i], unit) &&
                !overlapsAny(joined, paragraphs, 0, static_cast<std::size_t>(k), unit) &&
                !overlapsAny(joined, lines, i + 1, lines.size(), unit)) {
                paragraphs[k] = unite(paragraphs[k], line);
                lastLine[k] = line.box;
                continue;
            }
        }
        paragraphs.push_back(line);
        lastLine.push_back(line.box);
    }
    return paragraphs;
}

} // namespace pagecut
