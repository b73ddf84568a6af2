// SPDX-License-Identifier: Apache-2.0
// Lines joined into paragraphs.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "paragraph/block_group.h"

namespace pagecut {

// Joins lines into paragraphs: a line joins the latest paragraph of its
// column (horizontal overlap at least half the narrower) when the gap
// between them is between -U/2 and the page's usual line gap (plus U/2, at
// least U/2), neither is a table, the type does not start a paragraph there
// (after a last line 2 U short of the measure, a line indented by 0.6 to
// 6 U that runs to the measure, or one starting 2 U left of the last line
// at a left edge that at least three lines share), and the joined box
// overlaps no other paragraph or line.
std::vector<BlockGroup> joinParagraphs(const std::vector<BlockGroup>& lines, double unit);

} // namespace pagecut
