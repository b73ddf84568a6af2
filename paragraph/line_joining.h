// SPDX-License-Identifier: Apache-2.0
// Lines from the cleaned blocks: the column edges that no line crosses, and
// the pieces of one line joined.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "paragraph/block_group.h"

namespace pagecut {

// The x of column edges: where at least four blocks start (or end) within
// U/2 of each other, and at most a quarter as many blocks beside them cross
// it by more than U/2 on each side.
std::vector<int> columnEdges(const std::vector<cv::Rect>& blocks, double unit);

// Joins each block to the line before it when both are single lines (under
// 1.6 U tall), they overlap vertically by at least half the lower one, lie
// at most 2 U apart and no column edge lies between them.
std::vector<BlockGroup> joinLines(const std::vector<cv::Rect>& blocks, double unit);

} // namespace pagecut
