// SPDX-License-Identifier: Apache-2.0
#include "paragraph/grouping.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "paragraph/scale.h"

namespace pagecut {

namespace {

// Every limit in units of U, the height of a line of text.
// Cleaning: where blocks are split, and which pieces are no text.
constexpr double kGutterFrom = 4.0;        // blocks this tall may hold two columns,
constexpr double kGutterSide = 6.0;        // each at least this wide,
constexpr double kGutterWidth = 0.3;       // split at a gutter this wide
constexpr double kGutterInk = 0.02;        // holding ink in at most this share of rows
constexpr double kSplitRowsFrom = 1.6;     // blocks this tall are split at blank rows
constexpr double kColumnSplitGap = 2.0;    // blank column runs wider than this split a block
constexpr double kSpeck = 0.5;             // specks: at most this both ways
constexpr double kSpeckApart = 1.0;        // specks this far from a line's ends are no part of it
constexpr double kThinPiece = 0.25;        // slivers of ink at most this thin ...
constexpr double kThinRule = 0.35;         // rules: at most this thick ...
constexpr double kThinRuleLength = 3.0;    // ... and at least this long (thin pieces shorter),
constexpr double kSolidRule = 0.8;         // or at most this thick ...
constexpr double kSolidRuleLength = 5.0;   // ... this long and inked in
constexpr double kSolidRuleFill = 0.97;    // this share of its columns
constexpr double kDenseFill = 0.5;         // pieces inked this densely are no text
constexpr double kSliverWidth = 2.0;       // the book edge: at most this wide
constexpr double kSliverHeight = 4.0;      // and at least this tall
constexpr double kEdgeNear = 1.5;          // pieces this close to a wiped scan edge
constexpr double kEdgeNearWidth = 4.0;     // and at most this wide are part of it
constexpr double kPictureSide = 3.0;       // pieces this long are pictures when under
constexpr double kPictureGlyphShare = 0.3; // this share of their ink is in characters
// Lines and column edges.
constexpr int kEdgeBlocks = 4;           // a column edge: this many blocks start (end) there
constexpr double kEdgeReach = 0.5;       // within this distance of it,
constexpr double kEdgeCrossShare = 0.25; // and at most this share of them cross it
constexpr double kLineHeight = 3.0;      // blocks this tall join no line
constexpr double kLineGap = 2.0;         // widest gap inside a line
// Tables and paragraphs.
constexpr double kNarrowLine = 20.0; // table lines are at most this wide
constexpr int kMinTableLines = 3;
constexpr double kCellWidth = 14.0;  // and its cells are at most this wide (median)
constexpr double kAbsorbShare = 0.5; // and takes the lines at least this much inside it
// A ruled table: at least this many horizontal rules ...
constexpr int kMinTableRules = 3;
constexpr double kTableRuleLength = 10.0; // at least this long,
constexpr double kTableRuleEnds = 1.0;    // whose ends lie within this of each other's,
constexpr double kTableRowHeight = 8.0;   // each at most this far below the one before
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

int verticalOverlap(const cv::Rect& a, const cv::Rect& b) {
    return std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
}

int horizontalOverlap(const cv::Rect& a, const cv::Rect& b) {
    return std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
}

// The first and one past the last nonzero entry of a profile, or {0, 0}.
std::pair<int, int> inkSpan(const cv::Mat& profile) {
    const int n = static_cast<int>(profile.total());
    const int* v = profile.ptr<int>();
    int a = 0, b = n;
    while (a < n && v[a] == 0)
        ++a;
    while (b > a && v[b - 1] == 0)
        --b;
    return {a, a < b ? b : a};
}

cv::Mat profileOf(const cv::Mat& ink, const cv::Rect& r, bool rows) {
    return rows ? rowProfile(ink(r)) : columnProfile(ink(r));
}

// `r` shrunk to its ink; empty when it holds none.
cv::Rect trimmed(const cv::Mat& ink, const cv::Rect& r) {
    const auto [x0, x1] = inkSpan(profileOf(ink, r, false));
    if (x0 == x1)
        return {};
    const cv::Rect narrowed(r.x + x0, r.y, x1 - x0, r.height);
    const auto [y0, y1] = inkSpan(profileOf(ink, narrowed, true));
    return {narrowed.x, narrowed.y + y0, narrowed.width, y1 - y0};
}

// Ink runs of a profile separated by blank runs longer than `minGap`.
std::vector<std::pair<int, int>> inkRuns(const cv::Mat& profile, int minGap) {
    std::vector<std::pair<int, int>> runs;
    const int n = static_cast<int>(profile.total());
    const int* v = profile.ptr<int>();
    for (int i = 0; i < n;) {
        if (v[i] == 0) {
            ++i;
            continue;
        }
        int end = i;
        while (end < n && v[end] != 0)
            ++end;
        if (!runs.empty() && i - runs.back().second <= minGap)
            runs.back().second = end;
        else
            runs.emplace_back(i, end);
        i = end;
    }
    return runs;
}

void appendPieces(const cv::Mat& ink, const cv::Rect& r, bool rows, int minGap,
                  std::vector<cv::Rect>& out) {
    for (const auto& [a, b] : inkRuns(profileOf(ink, r, rows), minGap)) {
        const cv::Rect piece =
            rows ? cv::Rect(r.x, r.y + a, r.width, b - a) : cv::Rect(r.x + a, r.y, b - a, r.height);
        const cv::Rect tight = trimmed(ink, piece);
        if (!tight.empty())
            out.push_back(tight);
    }
}

// The middle of the widest nearly blank column run of `r` with enough
// text on both sides, or -1.
int gutterColumn(const cv::Mat& ink, const cv::Rect& r, double unit) {
    const cv::Mat columns = profileOf(ink, r, false);
    const int* v = columns.ptr<int>();
    const int limit = static_cast<int>(kGutterInk * r.height);
    const int side = static_cast<int>(kGutterSide * unit);
    int best = -1, bestWidth = static_cast<int>(kGutterWidth * unit) - 1;
    for (int x = side; x < r.width - side;) {
        int end = x;
        while (end < r.width - side && v[end] <= limit)
            ++end;
        if (end - x > bestWidth)
            bestWidth = end - x, best = (x + end) / 2;
        x = std::max(end, x + 1);
    }
    return best;
}

// Splits blocks tall enough to hold several columns at their gutters.
void splitAtGutters(const cv::Mat& ink, const cv::Rect& r, double unit,
                    std::vector<cv::Rect>& out) {
    const int gutter = r.height >= kGutterFrom * unit ? gutterColumn(ink, r, unit) : -1;
    if (gutter < 0) {
        out.push_back(r);
        return;
    }
    splitAtGutters(ink, cv::Rect(r.x, r.y, gutter, r.height), unit, out);
    splitAtGutters(ink, cv::Rect(r.x + gutter, r.y, r.width - gutter, r.height), unit, out);
}

// Pieces that are no text: specks, rules, slivers of the book edge, densely
// inked patches, and pieces whose ink lies mostly outside character-sized
// components (pictures, ornaments, scanner noise).
bool isNoise(const cv::Mat& ink, const cv::Mat& glyphs, const cv::Rect& r, double unit) {
    if (r.width <= kSpeck * unit && r.height <= kSpeck * unit)
        return true;
    if (std::min(r.width, r.height) <= kThinPiece * unit &&
        std::max(r.width, r.height) < kThinRuleLength * unit)
        return true;
    if (r.width <= kSliverWidth * unit && r.height >= kSliverHeight * unit)
        return true;
    if (std::max(r.width, r.height) > kPictureSide * unit &&
        cv::countNonZero(ink(r) & (glyphs(r) == kGlyphInk)) <
            kPictureGlyphShare * cv::countNonZero(ink(r)))
        return true;
    if (r.width <= kEdgeNearWidth * unit) {
        const int near = static_cast<int>(kEdgeNear * unit);
        const cv::Rect around =
            clipToImage({r.x - near, r.y - near, r.width + 2 * near, r.height + 2 * near}, ink);
        if (cv::countNonZero(glyphs(around) == kEdgeInk) > 0)
            return true;
    }
    if (r.width >= unit && r.height >= unit && cv::countNonZero(ink(r)) >= kDenseFill * r.area())
        return true;
    if (r.height <= kThinRule * unit && r.width >= kThinRuleLength * unit)
        return true;
    if (r.height > kSolidRule * unit || r.width < kSolidRuleLength * unit)
        return false;
    const cv::Mat columns = profileOf(ink, r, false);
    return cv::countNonZero(columns) >= kSolidRuleFill * r.width;
}

// `r` without the specks at its left and right ends that stand apart from
// the rest: a dot of dirt in the margin beside a line would widen its
// paragraph by the whole margin.
cv::Rect withoutOuterSpecks(const cv::Mat& ink, const cv::Rect& r, double unit) {
    const auto runs = inkRuns(profileOf(ink, r, false), static_cast<int>(kSpeckApart * unit));
    const auto isSpeck = [&](const std::pair<int, int>& run) {
        const cv::Rect t = trimmed(ink, {r.x + run.first, r.y, run.second - run.first, r.height});
        return t.width <= kSpeck * unit && t.height <= kSpeck * unit;
    };
    std::size_t first = 0, end = runs.size();
    while (end - first > 1 && isSpeck(runs[first]))
        ++first;
    while (end - first > 1 && isSpeck(runs[end - 1]))
        --end;
    if (first == 0 && end == runs.size())
        return r;
    const int x0 = runs[first].first, x1 = runs[end - 1].second;
    return trimmed(ink, {r.x + x0, r.y, x1 - x0, r.height});
}

BlockGroup unite(const BlockGroup& a, const BlockGroup& b) {
    return {a.box | b.box, std::min(a.first, b.first), a.table || b.table};
}

} // namespace

double lineUnit(const std::vector<cv::Rect>& blocks, double textHeight) {
    std::vector<std::int32_t> heights;
    for (const cv::Rect& r : blocks) {
        if (r.height >= textHeight && r.height <= 4 * textHeight)
            heights.push_back(r.height);
    }
    if (heights.empty())
        return 2 * textHeight;
    return upperMedian(std::move(heights));
}

std::vector<cv::Rect> cleanBlocks(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                  const cv::Mat& glyphs, double unit) {
    std::vector<cv::Rect> columns;
    for (const cv::Rect& block : blocks) {
        if (const cv::Rect r = clipToImage(block, ink); !r.empty())
            splitAtGutters(ink, r, unit, columns);
    }
    std::vector<cv::Rect> lines;
    for (const cv::Rect& r : columns) {
        if (r.height >= kSplitRowsFrom * unit)
            appendPieces(ink, r, true, 0, lines);
        else if (const cv::Rect tight = trimmed(ink, r); !tight.empty())
            lines.push_back(tight);
    }
    std::vector<cv::Rect> pieces;
    for (const cv::Rect& r : lines)
        appendPieces(ink, r, false, static_cast<int>(kColumnSplitGap * unit), pieces);
    std::vector<cv::Rect> kept;
    for (const cv::Rect& piece : pieces) {
        const cv::Rect r = withoutOuterSpecks(ink, piece, unit);
        if (!isNoise(ink, glyphs, r, unit))
            kept.push_back(r);
    }
    return kept;
}

namespace {

// Whether `x` is a column edge: enough blocks start (or end) within reach of
// it, and few of the blocks beside those cross it.
bool isColumnEdge(const std::vector<cv::Rect>& blocks, int x, bool starts, double unit) {
    const double reach = kEdgeReach * unit;
    int aligned = 0, top = INT32_MAX, bottom = INT32_MIN;
    for (const cv::Rect& r : blocks) {
        const int at = starts ? r.x : r.x + r.width;
        if (std::abs(at - x) <= reach) {
            ++aligned;
            top = std::min(top, r.y);
            bottom = std::max(bottom, r.y + r.height);
        }
    }
    if (aligned < kEdgeBlocks)
        return false;
    int crossing = 0;
    for (const cv::Rect& r : blocks) {
        const bool beside = r.y < bottom && r.y + r.height > top;
        crossing += beside && r.x < x - reach && r.x + r.width > x + reach;
    }
    return crossing <= kEdgeCrossShare * aligned;
}

} // namespace

std::vector<int> columnEdges(const std::vector<cv::Rect>& blocks, double unit) {
    std::vector<int> edges;
    for (const cv::Rect& r : blocks) {
        for (const bool starts : {true, false}) {
            const int x = starts ? r.x : r.x + r.width;
            if (std::find(edges.begin(), edges.end(), x) == edges.end() &&
                isColumnEdge(blocks, x, starts, unit))
                edges.push_back(x);
        }
    }
    return edges;
}

namespace {

// Whether an edge lies in the gap between two blocks side by side.
bool edgeBetween(const cv::Rect& a, const cv::Rect& b, const std::vector<int>& edges, double unit) {
    const int gapStart = std::min(a.x + a.width, b.x + b.width);
    const int gapEnd = std::max(a.x, b.x);
    const double reach = kEdgeReach * unit;
    return std::any_of(edges.begin(), edges.end(),
                       [&](int e) { return e >= gapStart - reach && e <= gapEnd + reach; });
}

} // namespace

std::vector<BlockGroup> joinLines(const std::vector<cv::Rect>& blocks, double unit) {
    const std::vector<int> edges = columnEdges(blocks, unit);
    std::vector<BlockGroup> lines;
    for (int k = 0; k < static_cast<int>(blocks.size()); ++k) {
        const cv::Rect& r = blocks[k];
        if (!lines.empty()) {
            const cv::Rect& last = lines.back().box;
            const bool level = verticalOverlap(last, r) * 2 >= std::min(last.height, r.height);
            const bool single = std::max(last.height, r.height) < kLineHeight * unit;
            if (level && single && -horizontalOverlap(last, r) <= kLineGap * unit &&
                (horizontalOverlap(last, r) > 0 || !edgeBetween(last, r, edges, unit))) {
                lines.back().box |= r;
                continue;
            }
        }
        lines.push_back({r, k, false});
    }
    return lines;
}

namespace {

bool besideEachOther(const cv::Rect& a, const cv::Rect& b) {
    return verticalOverlap(a, b) * 2 >= std::min(a.height, b.height) &&
           horizontalOverlap(a, b) <= 0;
}

// The cells of each run of consecutive narrow lines: the lines with a line
// of the same run beside them.
std::vector<bool> tableCells(const std::vector<BlockGroup>& lines, double unit) {
    const std::size_t n = lines.size();
    std::vector<bool> cell(n, false);
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i;
        while (end < n && lines[end].box.width <= kNarrowLine * unit)
            ++end;
        for (std::size_t a = i; a < end; ++a) {
            for (std::size_t b = i; b < end && !cell[a]; ++b)
                cell[a] = a != b && besideEachOther(lines[a].box, lines[b].box);
        }
        i = std::max(end, i + 1);
    }
    return cell;
}

} // namespace

namespace {

// The table made of the cells in lines [begin, end), and the lines it holds;
// none when it holds more wide lines than cells (paragraphs beside a column
// of short lines are no table).
std::vector<std::size_t> tableMembers(const std::vector<BlockGroup>& lines,
                                      const std::vector<bool>& cell, std::size_t begin,
                                      std::size_t end, cv::Rect& box, double unit) {
    std::size_t cells = 0;
    std::vector<std::int32_t> widths;
    for (std::size_t k = begin; k < end; ++k) {
        if (!cell[k])
            continue;
        box = cells++ == 0 ? lines[k].box : box | lines[k].box;
        widths.push_back(lines[k].box.width);
    }
    std::vector<std::size_t> members;
    if (cells < static_cast<std::size_t>(kMinTableLines))
        return members;
    // Columns of text side by side are no table: their lines are long.
    if (upperMedian(std::move(widths)) > kCellWidth * unit)
        return members;
    std::size_t wide = 0;
    const cv::Rect cellBox = box;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const cv::Rect& r = lines[k].box;
        if ((r & cellBox).area() >= kAbsorbShare * r.area()) {
            members.push_back(k);
            box |= r;
            wide += r.width > kNarrowLine * unit;
        }
    }
    if (wide > cells)
        members.clear();
    return members;
}

} // namespace

std::vector<BlockGroup> joinTables(const std::vector<BlockGroup>& lines, double unit) {
    const std::vector<bool> cell = tableCells(lines, unit);
    const std::size_t n = lines.size();
    std::vector<int> tableOf(n, -1);
    std::vector<BlockGroup> tables;
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i;
        while (end < n && lines[end].box.width <= kNarrowLine * unit)
            ++end;
        cv::Rect box;
        const std::vector<std::size_t> members = tableMembers(lines, cell, i, end, box, unit);
        if (!members.empty()) {
            for (const std::size_t k : members)
                tableOf[k] = static_cast<int>(tables.size());
            tables.push_back({box, lines[members.front()].first, true});
        }
        i = std::max(end, i + 1);
    }
    std::vector<BlockGroup> out;
    std::vector<bool> listed(tables.size(), false);
    for (std::size_t k = 0; k < n; ++k) {
        const int t = tableOf[k];
        if (t < 0)
            out.push_back(lines[k]);
        else if (!listed[t])
            out.push_back(tables[t]), listed[t] = true;
    }
    return out;
}

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

namespace {

// The rule still growing in the last row that `run` continues (its ends
// within `slack` of the run's), taken out of `growing` and joined with the
// run; the run alone when none does.
cv::Rect continueRule(std::vector<cv::Rect>& growing, const cv::Rect& run, int slack) {
    for (cv::Rect& rule : growing) {
        if (!rule.empty() && std::abs(rule.x - run.x) <= slack &&
            std::abs(rule.x + rule.width - (run.x + run.width)) <= slack) {
            const cv::Rect joined = rule | run;
            rule = cv::Rect();
            return joined;
        }
    }
    return run;
}

} // namespace

std::vector<cv::Rect> horizontalRules(const cv::Mat& ink, double unit) {
    const int minLength = std::max(1, static_cast<int>(kTableRuleLength * unit));
    const int slack = static_cast<int>(kTableRuleEnds * unit);
    std::vector<cv::Rect> rules, growing;
    for (int y = 0; y < ink.rows; ++y) {
        const uchar* row = ink.ptr<uchar>(y);
        std::vector<cv::Rect> next;
        // A run of minLength pixels covers a multiple of minLength, so only
        // those are looked at, and the runs through them followed.
        for (int probe = 0; probe < ink.cols; probe += minLength) {
            if (row[probe] == 0)
                continue;
            int start = probe, end = probe + 1;
            while (start > 0 && row[start - 1] != 0)
                --start;
            while (end < ink.cols && row[end] != 0)
                ++end;
            if (end - start >= minLength)
                next.push_back(continueRule(growing, {start, y, end - start, 1}, slack));
            probe = (end - 1) / minLength * minLength;
        }
        std::copy_if(growing.begin(), growing.end(), std::back_inserter(rules),
                     [](const cv::Rect& r) { return !r.empty(); });
        growing = std::move(next);
    }
    rules.insert(rules.end(), growing.begin(), growing.end());
    // Thicker runs are bars or pictures, not rules.
    rules.erase(std::remove_if(rules.begin(), rules.end(),
                               [&](const cv::Rect& r) { return r.height > kSolidRule * unit; }),
                rules.end());
    return rules;
}

std::vector<cv::Rect> ruledTables(std::vector<cv::Rect> rules, double unit) {
    std::sort(rules.begin(), rules.end(),
              [](const cv::Rect& a, const cv::Rect& b) { return a.y < b.y; });
    const double slack = kTableRuleEnds * unit;
    std::vector<std::pair<cv::Rect, int>> stacks; // the box of each stack and its rules
    std::vector<cv::Rect> lastRule;
    for (const cv::Rect& rule : rules) {
        std::size_t k = 0;
        for (; k < stacks.size(); ++k) {
            const cv::Rect& last = lastRule[k];
            if (std::abs(last.x - rule.x) <= slack &&
                std::abs(last.x + last.width - (rule.x + rule.width)) <= slack &&
                rule.y - (last.y + last.height) <= kTableRowHeight * unit)
                break;
        }
        if (k == stacks.size()) {
            stacks.push_back({rule, 1});
            lastRule.push_back(rule);
            continue;
        }
        stacks[k].first |= rule;
        ++stacks[k].second;
        lastRule[k] = rule;
    }
    std::vector<cv::Rect> tables;
    for (const auto& [box, count] : stacks) {
        if (count >= kMinTableRules)
            tables.push_back(box);
    }
    return tables;
}

std::vector<BlockGroup> joinRuledTables(const std::vector<BlockGroup>& groups,
                                        const std::vector<cv::Rect>& tables) {
    std::vector<BlockGroup> out = groups;
    for (const cv::Rect& table : tables) {
        std::vector<BlockGroup> rest;
        BlockGroup joined{table, 0, true};
        std::size_t at = SIZE_MAX;
        for (const BlockGroup& g : out) {
            if ((g.box & table).area() < kAbsorbShare * g.box.area()) {
                rest.push_back(g);
                continue;
            }
            if (at == SIZE_MAX) {
                at = rest.size();
                joined.first = g.first;
            }
            joined = unite(joined, g);
        }
        if (at == SIZE_MAX)
            continue;
        rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(at), joined);
        out = std::move(rest);
    }
    return out;
}

std::vector<cv::Rect> groupParagraphs(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                      const cv::Mat& glyphs, double textHeight) {
    const double unit = lineUnit(blocks, textHeight);
    const std::vector<cv::Rect> pieces = cleanBlocks(blocks, ink, glyphs, unit);
    const std::vector<BlockGroup> lines0 = joinLines(pieces, unit);
    const std::vector<BlockGroup> lines = joinTables(lines0, unit);
    std::vector<BlockGroup> groups =
        joinRuledTables(joinParagraphs(lines, unit), ruledTables(horizontalRules(ink, unit), unit));
    std::stable_sort(groups.begin(), groups.end(),
                     [](const BlockGroup& a, const BlockGroup& b) { return a.first < b.first; });
    std::vector<cv::Rect> boxes;
    for (const BlockGroup& g : groups)
        boxes.push_back(g.box);
    return boxes;
}

} // namespace pagecut
