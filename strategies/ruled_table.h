// SPDX-License-Identifier: Apache-2.0
// Recognising a table drawn with two horizontal rules of equal length (headings
// above the upper rule, a wide first column and narrow further columns), and
// cutting it out as a band of its own.
#pragma once

#include <cstdint>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/profile.h"
#include "core/region.h"

namespace pagecut {

// Divides the block into the content above the table, the table (headings and
// body) and the content below it, keeping only children with ink. On success
// it draws a top rule and two side rules into `image` to close the table.
// Empty (and nothing drawn) when no such table is found.
std::vector<Region> isolateRuledTable(cv::Mat& image, Region block, SegmentationParams params);

// Runs of rows that hold at least (width - noise) - 0.05 x width ink pixels.
RunList findRuleRows(cv::Mat rowProfile, std::int32_t width, std::int32_t noise);

// For each rule, the start and end (block-relative x) of the longest run of
// ink on its middle row, leftmost among equals; 0, 0 for a row without ink.
std::vector<std::int32_t> measureRuleExtents(const cv::Mat& image, cv::Rect blockRect,
                                             RunList ruleRuns);

} // namespace pagecut
