// SPDX-License-Identifier: Apache-2.0
#include "paragraph/grouping.h"

#include <algorithm>

#include "core/rect_algebra.h"
#include "paragraph/block_group.h"
#include "paragraph/block_types.h"
#include "paragraph/clean.h"
#include "paragraph/line_joining.h"
#include "paragraph/non_text.h"
#include "paragraph/paragraphs.h"
#include "paragraph/tables.h"
#include "paragraph/text_lines.h"

namespace pagecut {

namespace {

constexpr double kSeparatorLength = 3.0; // rules this long (in U) may stand alone

} // namespace

std::vector<ParagraphBlock> groupParagraphs(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                            const cv::Mat& glyphs, double textHeight,
                                            const std::vector<cv::Rect>& verticalRules) {
    const double unit = lineUnit(blocks, textHeight);
    std::vector<NonTextPiece> nonTextPieces;
    const std::vector<cv::Rect> textPieces = cleanBlocks(blocks, ink, glyphs, unit, &nonTextPieces);
    std::vector<cv::Rect> rules = horizontalRules(ink, unit, kSeparatorLength);
    rules.insert(rules.end(), verticalRules.begin(), verticalRules.end());
    std::vector<BlockGroup> nonText = nonTextGroups(ink, nonTextPieces, rules, textPieces, unit);
    const std::vector<cv::Rect> pieces = withoutPictureText(textPieces, nonText, unit);
    const std::vector<BlockGroup> lines0 = joinLines(pieces, unit);
    const std::vector<BlockGroup> lines = joinTables(lines0, unit);
    std::vector<BlockGroup> groups =
        joinRuledTables(joinParagraphs(lines, unit), ruledTables(horizontalRules(ink, unit), unit));
    for (BlockGroup& g : groups) {
        if (!g.table)
            g.lines = textLines(ink, g.lines, unit);
    }
    dropInnerNonText(nonText, groups, pieces, unit);
    groups.insert(groups.end(), nonText.begin(), nonText.end());
    typeBlocks(groups, ink, unit);
    std::stable_sort(groups.begin(), groups.end(),
                     [](const BlockGroup& a, const BlockGroup& b) { return a.first < b.first; });
    std::vector<ParagraphBlock> out;
    for (BlockGroup& g : groups) {
        sortLines(g.lines);
        out.push_back({g.box, g.table ? BlockType::Table : g.type, std::move(g.lines)});
    }
    return out;
}

} // namespace pagecut
