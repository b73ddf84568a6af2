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

// Rows above the heading at which the top rule closing a ruled table is
// drawn. The drawing is the only write of a block's division into the image it
// was given, so the code that restores such an image after a division reaches
// this far above each level's block.
constexpr int kRuleDrawnAbove = 2;

// The columns a rule spans, block-relative: [start, end).
struct RuleExtent {
    std::int32_t start = 0;
    std::int32_t end = 0;
    bool operator==(const RuleExtent&) const = default;
};

// Divides the block into the content above the table, the table (headings and
// body) and the content below it, keeping only children with ink. On success
// it draws a top rule and two side rules into `image` to close the table.
// Empty (and nothing drawn) when no such table is found. `rowInk` is the
// block's row profile, rowProfile(image(block.rect)), which the caller reads
// too.
std::vector<Region> isolateRuledTable(cv::Mat& image, Region block, SegmentationParams params,
                                      const cv::Mat& rowInk);

// Runs of rows that hold at least (width - noise) - 0.05 x width ink pixels.
RunList findRuleRows(cv::Mat rowProfile, std::int32_t width, std::int32_t noise);

// True when both ends of `a` lie at most `slack` columns from those of `b`:
// the test that two rules belong to one table. The paragraph mode's ruled
// tables use it too.
bool endsAlign(const RuleExtent& a, const RuleExtent& b, int slack);

// For each rule, the longest run of ink on its middle row, leftmost among
// equals; 0, 0 for a row without ink.
std::vector<RuleExtent> measureRuleExtents(const cv::Mat& image, cv::Rect blockRect,
                                           RunList ruleRuns);

} // namespace pagecut
