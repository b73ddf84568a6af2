// SPDX-License-Identifier: Apache-2.0
// The blocks of the paragraph mode that hold no text: pictures, one block
// each, and rules. Every limit is in units of U, the height of a line.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "paragraph/block_group.h"
#include "paragraph/clean.h"

namespace pagecut {

// The pictures and rules of the 0/1 page `ink`, from the pieces that
// cleaning set aside and the rules found on the page (`rules`, horizontal
// and vertical), with `text` the pieces kept as text, in order:
// - a picture is a cluster of picture pieces (each within U/2 of another)
//   at least 2 U both ways; the rules it touches are part of it;
// - a cluster that is a line of large letters (at most 5 U high, parted by
//   blank columns into at least 4 strokes no wider than it is high) comes
//   back as a group typed Paragraph, for withoutPictureText to return to
//   the text;
// - a separator is a rule at least 3 U long, a flat cluster (at most 2 U
//   high and 8 times as wide), or a vertical rule at least 6 U long; rules
//   less than U/2 apart along one stretch are one, and rules along the
//   page's border are none. Separators are a pixel thicker on each side
//   than the rule found, which scaling the page down wore off.
// Each group's `first` is its place among the text pieces, as joinLines
// numbers them.
std::vector<BlockGroup> nonTextGroups(const cv::Mat& ink, const std::vector<NonTextPiece>& pieces,
                                      const std::vector<cv::Rect>& rules,
                                      const std::vector<cv::Rect>& text, double unit);

// `pieces` (text, in order) without those at least half inside a picture of
// `groups`: labels, numbers and stray strokes of a figure are no text. The
// pictures grow to take them in, pictures that then lie within U/2 of each
// other are one, the lines of large letters among `groups` join the pieces
// at their place, and the groups' `first` is renumbered for the pieces.
std::vector<cv::Rect> withoutPictureText(const std::vector<cv::Rect>& pieces,
                                         std::vector<BlockGroup>& groups, double unit);

// `nonText` without the ruling and pictures of the tables among `groups`
// (at least half inside one grown by U/2) and without rules at least half
// inside a piece of `text` (underlines and strokes of a line).
void dropInnerNonText(std::vector<BlockGroup>& nonText, const std::vector<BlockGroup>& groups,
                      const std::vector<cv::Rect>& text, double unit);

} // namespace pagecut
