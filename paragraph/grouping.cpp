// SPDX-License-Identifier: Apache-2.0
#include "paragraph/grouping.h"

#include <algorithm>

#include "core/rect_algebra.h"
#include "paragraph/block_group.h"
#include "paragraph/clean.h"
#include "paragraph/line_joining.h"
#include "paragraph/paragraphs.h"
#include "paragraph/reading_order.h"
#include "paragraph/tables.h"

namespace pagecut {

namespace {

// Lines in reading order: top to bottom, and left to right where they stand
// level (the cells of a table row). Rows are formed after a plain sort, since
// "level" is no ordering that a sort could take.
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

} // namespace

std::vector<ParagraphBlock> groupParagraphs(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                            const cv::Mat& glyphs, double textHeight) {
    const double unit = lineUnit(blocks, textHeight);
    const std::vector<cv::Rect> pieces = cleanBlocks(blocks, ink, glyphs, unit);
    const std::vector<BlockGroup> lines0 = joinLines(pieces, unit);
    const std::vector<BlockGroup> lines = joinTables(lines0, unit);
    std::vector<BlockGroup> groups =
        joinRuledTables(joinParagraphs(lines, unit), ruledTables(horizontalRules(ink, unit), unit));
    std::vector<cv::Rect> boxes;
    for (const BlockGroup& g : groups)
        boxes.push_back(g.box);
    std::vector<ParagraphBlock> out;
    for (const std::size_t k : readingOrder(boxes, unit)) {
        BlockGroup& g = groups[k];
        sortLines(g.lines);
        out.push_back(
            {g.box, g.table ? BlockType::Table : BlockType::Paragraph, std::move(g.lines)});
    }
    return out;
}

} // namespace pagecut
