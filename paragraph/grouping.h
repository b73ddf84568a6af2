// SPDX-License-Identifier: Apache-2.0
// Regrouping the blocks of the second pass into paragraphs, headings and
// tables, the blocks a reader would mark. Every rule is measured in the unit
// U, the height of one line of text, so that it holds at any resolution.
// The blocks come in the program's reading order, which is kept: a group is
// listed where its first block was.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// A group of blocks: a line, a table or a paragraph.
struct BlockGroup {
    cv::Rect box;       // bounding box of its blocks
    int first = 0;      // reading-order index of its first block
    bool table = false; // a table: never joined with anything else
};

// The unit U: the median height of the blocks that look like single lines
// (1 to 4 text heights tall), or two text heights when there are none.
double lineUnit(const std::vector<cv::Rect>& blocks, double textHeight);

// Blocks cut to their ink (`ink` is 0/1): blocks at least 4 U tall split
// at nearly blank gutters between columns at least 6 U wide, blocks at least
// 1.6 U tall split at blank rows, any block split at blank column runs wider
// than 2 U, and specks more than U apart from the rest cut off a block's
// left and right ends. Dropped: specks, rules, slivers (at most 2 U wide and 4 U tall),
// patches over half inked, and pieces over 3 U long with under 30 % of
// their ink in character-sized components (`glyphs`, a 0/1 mask). Pieces
// keep their block's place in the order.
std::vector<cv::Rect> cleanBlocks(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                  const cv::Mat& glyphs, double unit);

// The x of column edges: where at least four blocks start (or end) within
// U/2 of each other, and at most a quarter as many blocks beside them cross
// it by more than U/2 on each side.
std::vector<int> columnEdges(const std::vector<cv::Rect>& blocks, double unit);

// Joins each block to the line before it when both are single lines (under
// 1.6 U tall), they overlap vertically by at least half the lower one, lie
// at most 2 U apart and no column edge lies between them.
std::vector<BlockGroup> joinLines(const std::vector<cv::Rect>& blocks, double unit);

// Joins runs of at least three consecutive narrow lines (at most 20 U),
// each with such a line beside it, into one table group when their median
// width is at most 14 U (columns of text are no table); the table takes the
// lines it overlaps by half, unless it would hold more wide lines than cells.
std::vector<BlockGroup> joinTables(const std::vector<BlockGroup>& lines, double unit);

// Joins lines into paragraphs: a line joins the latest paragraph of its
// column (horizontal overlap at least half the narrower) when the gap
// between them is between -U/2 and the page's usual line gap (plus U/2, at
// least U/2), neither is a table, the type does not start a paragraph there
// (after a last line 2 U short of the measure, a line indented by 0.6 to
// 6 U that runs to the measure, or one starting 2 U left of the last line
// at a left edge that at least three lines share), and the joined box
// overlaps no other paragraph or line.
std::vector<BlockGroup> joinParagraphs(const std::vector<BlockGroup>& lines, double unit);

// The horizontal rules of the 0/1 page `ink`: runs of ink at least 10 U
// long in consecutive rows whose ends stay within U of the row before's,
// at most 0.8 U thick in all.
std::vector<cv::Rect> horizontalRules(const cv::Mat& ink, double unit);

// The boxes of ruled tables: stacks of at least three rules whose ends lie
// within U of each other's, each at most 8 U below the one before. Their
// rows, whole lines wide, would otherwise pass for paragraphs.
std::vector<cv::Rect> ruledTables(std::vector<cv::Rect> rules, double unit);

// `groups` with those at least half inside one of `tables` joined into that
// table, listed where the first of them was.
std::vector<BlockGroup> joinRuledTables(const std::vector<BlockGroup>& groups,
                                        const std::vector<cv::Rect>& tables);

// The whole regrouping of `blocks` (second-pass order) on the 0/1 page `ink`
// whose text is `textHeight` high: the groups' boxes in reading order.
std::vector<cv::Rect> groupParagraphs(const std::vector<cv::Rect>& blocks, const cv::Mat& ink,
                                      const cv::Mat& glyphs, double textHeight);

} // namespace pagecut
