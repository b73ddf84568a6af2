// SPDX-License-Identifier: Apache-2.0
// Regrouping the blocks of the second pass into paragraphs, headings and
// tables, the blocks a reader would mark. Every rule is measured in the unit
// U, the height of one line of text, so that it holds at any resolution.
// The groups are listed in the reading order of the page's columns
// (readingOrder), whatever order the cuts found the blocks in.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

// A block of the paragraph mode on the page it was found on.
struct ParagraphBlock {
    cv::Rect box;
    BlockType type = BlockType::Paragraph;
    std::vector<cv::Rect> lines; // its text lines, in reading order
};

// The whole regrouping of `blocks` (second-pass order) on the 0/1 page `ink`
// whose text is `textHeight` high, `glyphs` being its ink map (see
// removeEdgeInk) and `verticalRules` the rules wiped from it: the blocks a
// reader would mark, pictures and rules among them, in reading order.
std::vector<ParagraphBlock> groupParagraphs(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                            const cv::Mat& glyphs, double textHeight,
                                            const std::vector<cv::Rect>& verticalRules = {});

} // namespace pagecut
