// SPDX-License-Identifier: Apache-2.0
// Tables for the paragraph mode: runs of narrow lines side by side, and
// stacks of horizontal rules, whose rows would otherwise pass for paragraphs.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "paragraph/block_group.h"

namespace pagecut {

// Joins runs of at least three consecutive narrow lines (at most 20 U),
// each with such a line beside it, into one table group when their median
// width is at most 14 U (columns of text are no table); the table takes the
// lines it overlaps by half, unless it would hold more wide lines than cells.
std::vector<BlockGroup> joinTables(const std::vector<BlockGroup>& lines, double unit);

// The horizontal rules of the 0/1 page `ink`: runs of ink at least
// `minLength` U long (10: a table's) in consecutive rows whose ends stay
// within U of the row before's, at most 0.8 U thick in all.
std::vector<cv::Rect> horizontalRules(const cv::Mat& ink, double unit, double minLength = 10.0);

// The boxes of ruled tables: stacks of at least three rules whose ends lie
// within U of each other's, each at most 8 U below the one before. Their
// rows, whole lines wide, would otherwise pass for paragraphs.
std::vector<cv::Rect> ruledTables(std::vector<cv::Rect> rules, double unit);

// `groups` with those at least half inside one of `tables` joined into that
// table, listed where the first of them was.
std::vector<BlockGroup> joinRuledTables(const std::vector<BlockGroup>& groups,
                                        const std::vector<cv::Rect>& tables);

} // namespace pagecut
