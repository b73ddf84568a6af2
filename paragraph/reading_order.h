// SPDX-License-Identifier: Apache-2.0
// The order in which a reader takes the blocks of a page, found from the
// page's column structure rather than from the cuts that found the blocks:
// a title, a figure or a table that spans the columns divides the page into
// bands; within a band the columns are read one after the other, left to
// right, each top to bottom. A running head and a page number above
// everything else come first, a marginal note comes after the block it
// stands beside.
#pragma once

#include <cstddef>
#include <vector>

#include <opencv2/core/types.hpp>

namespace pagecut {

// The reading order of `blocks` on a straight page whose lines of text are
// `unit` pixels high: a permutation of 0 .. blocks.size() - 1, the index of
// the first block to read first. Blocks may overlap; conflicting cues never
// fail, they fall back to the highest block left, then the leftmost.
std::vector<std::size_t> readingOrder(const std::vector<cv::Rect>& blocks, double unit);

} // namespace pagecut
