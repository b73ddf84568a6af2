// SPDX-License-Identifier: Apache-2.0
// The gutters between a page's columns, found by following them from row to
// row. A narrow gutter, a vertical rule wiped from it, leaves too little blank
// in a block a line or two high to tell it from a space between words, and
// too little in a tall block, where hyphens and the rule's remains reach into
// it, to pass for blank; the rows above and below tell.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// `blocks` (on the 0/1 page `ink`, lines of text `unit` high) split where
// they cross a gutter between two columns of text, each block's pieces left
// to right in its place. A gutter is a blank run of columns at least 0.3 U
// wide in a block, with at least 6 U of the block on either side, that goes
// on above and below it between text on both sides through at least 4 U of
// rows (narrowing to the blank of each row, up to 12 U away, until the
// text beside it ends in a blank 1.5 U high), and that at least three other
// blocks hold within U of it: the gutter of a page's columns runs past many
// blocks, a space between words that lines up by chance with a table's
// column passes few. Every block that lies within the rows where it was
// followed is split there, however narrow.
std::vector<cv::Rect> splitAtPageGutters(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                         double unit);

} // namespace pagecut
