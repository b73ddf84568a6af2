// SPDX-License-Identifier: Apache-2.0
// What each block of text of the paragraph mode is, told from what the page
// shows: the size and weight of its type against the body text's, where it
// stands (top or foot of the text, beside the column, under a short rule),
// and its neighbours (a caption against a picture or a table). Lengths are
// in units of U, the height of a line of text; sizes and weights are shares
// of the body text's.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "paragraph/block_group.h"

namespace pagecut {

// The look of a block's type, measured on its lines.
struct TypeMeasures {
    double size = 0;   // mean height of the lines' cores, where the middle of their ink lies
    double weight = 0; // mean stroke width: ink per run along the rows
    double drawn = 0;  // the share of the ink in runs along the rows at least 2 U long
};

// The measures of the lines `lines` of the 0/1 page `ink`; zeros when there
// are none.
TypeMeasures measureType(const cv::Mat& ink, const std::vector<cv::Rect>& lines, double unit);

// Types the text groups of the 0/1 page `ink` (with their lines) among the
// tables, pictures and separators, in this order, each type taking only
// groups still untyped:
// - drawings: at least 5 % of the ink in runs along the rows 2 U long or
//   longer (text has no long straight strokes), typed as images;
// - captions: at most 4 lines within 2 U of a picture or a table above or
//   below, sharing its column;
// - furniture: single lines at most 1.6 times the body's size, and not in
//   bold type unless at most 4 U wide or centred (at least 2 U in from both
//   edges of the text, the margins within 1.5 U of each other), with no
//   content above them (page
//   numbers at most 4 U wide, running heads) or below them (catch-words at
//   most 4 U wide at the right, page numbers as narrow, signature marks);
// - marginalia: blocks beside text 2.5 times as wide, outside the columns of
//   the body and at the outer edge of the text;
// - footnotes: the blocks of a column from one starting within 2 U under a
//   rule at its left edge at most 0.6 times its width, and blocks in type at
//   most 0.88 times the body's size at the foot of their column, under a
//   block of the body's size of 3 lines or more;
// - on pages with running text (8 lines in blocks of 3 lines or more),
//   blocks of at most 3 lines: headings in type 1.25 times the body's size
//   with strokes 1.1 times as heavy, in bold type (strokes 1.25 times as
//   heavy), or single lines centred in their column; formulas in type 1.25 times the
//   body's size without heavier strokes, set in from both edges or at most
//   4 U wide.
// The body's size and strokes are the medians of those of the lines of
// blocks of 3 lines or more (of at most 16 lines of a block, evenly spread).
// Tables less than 1.6 U high are text.
void typeBlocks(std::vector<BlockGroup>& groups, const cv::Mat& ink, double unit);

} // namespace pagecut
