// SPDX-License-Identifier: Apache-2.0
#include "paragraph/grouping.h"

#include <algorithm>

#include "paragraph/block_group.h"
#include "paragraph/clean.h"
#include "paragraph/line_joining.h"
#include "paragraph/paragraphs.h"
#include "paragraph/reading_order.h"
#include "paragraph/tables.h"

namespace pagecut {

std::vector<cv::Rect> groupParagraphs(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
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
    std::vector<cv::Rect> ordered;
    for (std::size_t k : readingOrder(boxes, unit))
        ordered.push_back(boxes[k]);
    return ordered;
}

} // namespace pagecut
