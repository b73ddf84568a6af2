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
#include "paragraph/reading_order.h"
#include "paragraph/tables.h"
#include "paragraph/text_lines.h"

namespace pagecut {

namespace {

constexpr double kSeparatorLength = 3.0; // rules this long (in U) may stand alone

// The groups in reading order. Rules and pictures are left out of the
// order's columns and bands: a rule in a gutter or a picture that juts into
// the next column would pass for a column or for a block that spans them.
// Each is read just before the first block beside or below it that starts
// below its middle.
std::vector<ParagraphBlock> inReadingOrder(std::vector<BlockGroup>& groups, double unit) {
    std::vector<cv::Rect> boxes;
    std::vector<std::size_t> ordered, rules;
    for (std::size_t k = 0; k < groups.size(); ++k) {
        if (!isTextType(groups[k].type)) {
            rules.push_back(k);
            continue;
        }
        boxes.push_back(groups[k].box);
        ordered.push_back(k);
    }
    std::vector<std::size_t> order;
    for (const std::size_t k : readingOrder(boxes, unit))
        order.push_back(ordered[k]);
    for (const std::size_t rule : rules) {
        const cv::Rect& r = groups[rule].box;
        const auto below = std::find_if(order.begin(), order.end(), [&](std::size_t k) {
            return groups[k].box.y >= r.y + r.height / 2 && horizontalOverlap(groups[k].box, r) > 0;
        });
        order.insert(below, rule);
    }
    std::vector<ParagraphBlock> out;
    for (const std::size_t k : order) {
        BlockGroup& g = groups[k];
        sortLines(g.lines);
        out.push_back({g.box, g.table ? BlockType::Table : g.type, std::move(g.lines)});
    }
    return out;
}

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
    return inReadingOrder(groups, unit);
}

} // namespace pagecut
