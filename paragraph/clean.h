// SPDX-License-Identifier: Apache-2.0
// Cleaning the second pass's blocks for the paragraph mode: the unit U of
// every later rule, and the blocks cut to their ink, split where they hold
// several columns or lines, and rid of what is no text.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// The unit U: the median height of the blocks that look like single lines
// (1 to 4 text heights tall), or two text heights when there are none.
double lineUnit(const std::vector<cv::Rect>& blocks, double textHeight);

// A piece that cleanBlocks sets aside as no text but that is part of the
// page: a rule, or a piece of a picture (too little of its ink in
// characters, or densely inked).
struct NonTextPiece {
    cv::Rect box;
    bool rule = false; // else a piece of a picture
    int place = 0;     // the number of text pieces before it in the order
};

// Blocks cut to their ink (`ink` is 0/1): blocks at least 4 U tall split
// at nearly blank gutters between columns at least 6 U wide, blocks at least
// 1.6 U tall split at blank rows, lines split at the gutters that run past
// them (splitAtPageGutters), any block split at blank column runs wider
// than 2 U, and specks more than U apart from the rest cut off a block's
// left and right ends. Dropped: specks, rules, slivers (at most 2 U wide and 4 U tall),
// patches over half inked, and pieces over 3 U long with under 30 % of
// their ink in character-sized components (`glyphs`, a 0/1 mask). Pieces
// keep their block's place in the order. The rules and the pieces of
// pictures among the dropped go to `nonText` when it is given.
std::vector<cv::Rect> cleanBlocks(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                  const cv::Mat& glyphs, double unit,
                                  std::vector<NonTextPiece>* nonText = nullptr);

} // namespace pagecut
