// SPDX-License-Identifier: Apache-2.0
#include "app/paragraphs.h"

#include <algorithm>
#include <cstdint>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace pagecut {

namespace {

// Every limit in units of U (a line's height).
constexpr double kSplitRowsFrom = 1.6;   // blocks this tall are split at blank rows
constexpr double kColumnSplitGap = 2.0;  // blank column runs wider than this split a block
constexpr double kThinRule = 0.35;       // a rule: at most this thick ...
constexpr double kThinRuleLength = 3.0;  // ... and at least this long,
constexpr double kSolidRule = 0.8;       // or at most this thick ...
constexpr double kSolidRuleLength = 5.0; // ... this long and inked in
constexpr double kSolidRuleFill = 0.97;  // this share of its columns
constexpr double kGutterFrom = 4.0;      // blocks this tall may hold two columns
constexpr double kGutterWidth = 0.3;     // a gutter: columns at least this wide
constexpr double kGutterInk = 0.02;      // with at most this share of ink rows
constexpr double kGutterSide = 6.0;      // between columns this wide
constexpr double kSpeck = 0.5;           // specks: at most this both ways
constexpr double kLineGap = 2.0;         // widest gap inside a line
constexpr double kNarrowLine = 16.0;     // table lines are at most this wide
constexpr int kMinTableLines = 3;
constexpr double kParagraphOverlap = 0.5; // lines may overlap a paragraph this much
constexpr double kGapSlack = 0.3;         // over the page's usual line gap
constexpr double kSliverWidth = 2.0;      // slivers: at most this wide
constexpr double kSliverHeight = 4.0;     // and at least this tall
constexpr double kPictureSide = 3.0;
constexpr double kPictureGlyphShare = 0.3;

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
    cv::Mat profile;
    cv::reduce(ink(r), profile, rows ? 1 : 0, cv::REDUCE_SUM, CV_32S);
    return profile;
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

bool isRuleOrSpeck(const cv::Mat& ink, const cv::Rect& r, double unit) {
    if (r.width <= kSpeck * unit && r.height <= kSpeck * unit)
        return true;
    if (r.height <= kThinRule * unit && r.width >= kThinRuleLength * unit)
        return true;
    if (r.height > kSolidRule * unit || r.width < kSolidRuleLength * unit)
        return false;
    const cv::Mat columns = profileOf(ink, r, false);
    return cv::countNonZero(columns) >= kSolidRuleFill * r.width;
}

BlockGroup unite(const BlockGroup& a, const BlockGroup& b) {
    return {a.box | b.box, std::min(a.first, b.first), a.table || b.table};
}

} // namespace

double lineUnit(const std::vector<cv::Rect>& blocks, double textHeight) {
    std::vector<int> heights;
    for (const cv::Rect& r : blocks) {
        if (r.height >= textHeight && r.height <= 4 * textHeight)
            heights.push_back(r.height);
    }
    if (heights.empty())
        return 2 * textHeight;
    auto middle = heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2);
    std::nth_element(heights.begin(), middle, heights.end());
    return *middle;
}

std::vector<cv::Rect> cleanBlocks(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                  double unit) {
    const cv::Rect page(0, 0, ink.cols, ink.rows);
    std::vector<cv::Rect> columns;
    for (const cv::Rect& block : blocks) {
        if (const cv::Rect r = block & page; !r.empty())
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
    for (const cv::Rect& r : pieces) {
        if (!isRuleOrSpeck(ink, r, unit))
            kept.push_back(r);
    }
    return kept;
}

std::vector<BlockGroup> joinLines(const std::vector<cv::Rect>& blocks, double unit) {
    std::vector<BlockGroup> lines;
    for (int k = 0; k < static_cast<int>(blocks.size()); ++k) {
        const cv::Rect& r = blocks[k];
        if (!lines.empty()) {
            const cv::Rect& last = lines.back().box;
            const bool level = verticalOverlap(last, r) * 2 >= std::min(last.height, r.height);
            if (level && -horizontalOverlap(last, r) <= kLineGap * unit) {
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

std::vector<BlockGroup> joinTables(const std::vector<BlockGroup>& lines, double unit) {
    const std::vector<bool> cell = tableCells(lines, unit);
    const std::size_t n = lines.size();
    std::vector<int> tableOf(n, -1);
    std::vector<BlockGroup> tables;
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i, cells = 0;
        while (end < n && lines[end].box.width <= kNarrowLine * unit)
            cells += cell[end++];
        if (cells >= static_cast<std::size_t>(kMinTableLines)) {
            BlockGroup table{{}, lines[i].first, true};
            for (std::size_t k = i; k < end; ++k) {
                if (cell[k])
                    table.box = table.box.empty() ? lines[k].box : table.box | lines[k].box;
            }
            table.table = true;
            for (std::size_t k = 0; k < n; ++k) {
                if ((lines[k].box & table.box) == lines[k].box)
                    tableOf[k] = static_cast<int>(tables.size());
            }
            tables.push_back(table);
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
    std::vector<int> gaps;
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
    auto middle = gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2);
    std::nth_element(gaps.begin(), middle, gaps.end());
    return *middle;
}

bool overlapsAny(const cv::Rect& box, const std::vector<BlockGroup>& groups, std::size_t from,
                 std::size_t skip) {
    for (std::size_t k = from; k < groups.size(); ++k) {
        if (k != skip && (box & groups[k].box).area() > 0)
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

} // namespace

std::vector<BlockGroup> joinParagraphs(const std::vector<BlockGroup>& lines, double unit) {
    const double maxGap = std::max(0.5 * unit, usualLineGap(lines, unit) + kGapSlack * unit);
    std::vector<BlockGroup> paragraphs;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const BlockGroup& line = lines[i];
        const int k = line.table ? -1 : columnParagraph(paragraphs, line.box);
        if (k >= 0 && !paragraphs[k].table) {
            const cv::Rect& p = paragraphs[k].box;
            const int gap = line.box.y - (p.y + p.height);
            const cv::Rect joined = p | line.box;
            if (gap >= -kParagraphOverlap * unit && gap <= maxGap &&
                !overlapsAny(joined, paragraphs, 0, static_cast<std::size_t>(k)) &&
                !overlapsAny(joined, lines, i + 1, lines.size())) {
                paragraphs[k] = unite(paragraphs[k], line);
                continue;
            }
        }
        paragraphs.push_back(line);
    }
    return paragraphs;
}

std::vector<BlockGroup> dropPictures(const std::vector<BlockGroup>& groups, const cv::Mat& ink,
                                     double textHeight, double unit) {
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    std::vector<std::uint8_t> glyph(count, 0);
    for (int k = 1; k < count; ++k) {
        const int w = stats.at<int>(k, cv::CC_STAT_WIDTH);
        const int h = stats.at<int>(k, cv::CC_STAT_HEIGHT);
        glyph[k] = h >= 0.5 * textHeight && h <= 3 * textHeight && w <= 6 * textHeight;
    }
    std::vector<BlockGroup> kept;
    for (const BlockGroup& g : groups) {
        const cv::Rect& r = g.box;
        if (r.width <= kSliverWidth * unit && r.height >= kSliverHeight * unit)
            continue;
        if (std::max(r.width, r.height) <= kPictureSide * unit) {
            kept.push_back(g);
            continue;
        }
        long all = 0, inGlyphs = 0;
        for (int y = r.y; y < r.y + r.height; ++y) {
            const int* row = labels.ptr<int>(y);
            for (int x = r.x; x < r.x + r.width; ++x)
                all += row[x] != 0, inGlyphs += glyph[row[x]];
        }
        if (inGlyphs >= kPictureGlyphShare * all)
            kept.push_back(g);
    }
    return kept;
}

std::vector<cv::Rect> groupParagraphs(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                      double textHeight) {
    const double unit = lineUnit(blocks, textHeight);
    const std::vector<cv::Rect> pieces = cleanBlocks(blocks, ink, unit);
    const std::vector<BlockGroup> lines = joinTables(joinLines(pieces, unit), unit);
    std::vector<BlockGroup> groups =
        dropPictures(joinParagraphs(lines, unit), ink, textHeight, unit);
    std::stable_sort(groups.begin(), groups.end(),
                     [](const BlockGroup& a, const BlockGroup& b) { return a.first < b.first; });
    std::vector<cv::Rect> boxes;
    for (const BlockGroup& g : groups)
        boxes.push_back(g.box);
    return boxes;
}

} // namespace pagecut
