// SPDX-License-Identifier: Apache-2.0
#include "paragraph/clean.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "paragraph/gutters.h"
#include "working_page/scale.h"

namespace pagecut {

namespace {

// Limits in units of U, the height of a line of text.
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

// The first and one past the last nonzero entry of a profile, or {0, 0}.
std::pair<int, int> inkSpan(const cv::Mat& profile) {
    const RunList runs = nonzeroRuns(profile);
    if (runs.empty())
        return {0, 0};
    return {runs.front(), runs.back()};
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
    const RunList runs = closeGaps(nonzeroRuns(profile), minGap + 1);
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t k = 0; k + 1 < runs.size(); k += 2)
        pairs.emplace_back(runs[k], runs[k + 1]);
    return pairs;
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

// What a piece of a cleaned block is.
enum class PieceKind { Text, Noise, Rule, Picture };

// A horizontal rule: thin and long, or a little thicker and inked in
// nearly every column.
bool isRuleShape(const cv::Mat& ink, const cv::Rect& r, double unit) {
    if (r.height <= kThinRule * unit && r.width >= kThinRuleLength * unit)
        return true;
    if (r.height > kSolidRule * unit || r.width < kSolidRuleLength * unit)
        return false;
    const cv::Mat columns = profileOf(ink, r, false);
    return cv::countNonZero(columns) >= kSolidRuleFill * r.width;
}

// What a piece is. No text: specks, slivers of the book edge and ink beside
// a wiped edge (noise), rules, and densely inked patches and pieces whose
// ink lies mostly outside character-sized components (pictures, ornaments,
// but also scanner noise, which the pictures' own tests sort out).
PieceKind pieceKind(const cv::Mat& ink, const cv::Mat& glyphs, const cv::Rect& r, double unit) {
    if (r.width <= kSpeck * unit && r.height <= kSpeck * unit)
        return PieceKind::Noise;
    if (std::min(r.width, r.height) <= kThinPiece * unit &&
        std::max(r.width, r.height) < kThinRuleLength * unit)
        return PieceKind::Noise;
    if (r.width <= kSliverWidth * unit && r.height >= kSliverHeight * unit)
        return PieceKind::Noise;
    if (std::max(r.width, r.height) > kPictureSide * unit &&
        cv::countNonZero(ink(r) & (glyphs(r) == kGlyphInk)) <
            kPictureGlyphShare * cv::countNonZero(ink(r)))
        return isRuleShape(ink, r, unit) ? PieceKind::Rule : PieceKind::Picture;
    if (r.width <= kEdgeNearWidth * unit) {
        const int near = static_cast<int>(kEdgeNear * unit);
        const cv::Rect around =
            clipToImage({r.x - near, r.y - near, r.width + 2 * near, r.height + 2 * near}, ink);
        if (cv::countNonZero(glyphs(around) == kEdgeInk) > 0)
            return PieceKind::Noise;
    }
    if (r.width >= unit && r.height >= unit && cv::countNonZero(ink(r)) >= kDenseFill * r.area())
        return PieceKind::Picture;
    return isRuleShape(ink, r, unit) ? PieceKind::Rule : PieceKind::Text;
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
                                  const cv::Mat& glyphs, double unit,
                                  std::vector<NonTextPiece>* nonText) {
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
    for (const cv::Rect& r : splitAtPageGutters(lines, ink, unit))
        appendPieces(ink, r, false, static_cast<int>(kColumnSplitGap * unit), pieces);
    std::vector<cv::Rect> kept;
    for (const cv::Rect& piece : pieces) {
        const cv::Rect r = withoutOuterSpecks(ink, piece, unit);
        const PieceKind kind = pieceKind(ink, glyphs, r, unit);
        if (kind == PieceKind::Text)
            kept.push_back(r);
        else if (nonText != nullptr && kind != PieceKind::Noise)
            nonText->push_back({r, kind == PieceKind::Rule, static_cast<int>(kept.size())});
    }
    return kept;
}

} // namespace pagecut
