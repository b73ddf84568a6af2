// SPDX-License-Identifier: Apache-2.0
// Records shared by every step of the segmentation: one block of the page
// (Region) and the parameters of one pass (SegmentationParams). Both are
// plain values; every operation takes its own copies.
#pragma once

#include <cstdint>
#include <vector>

#include <opencv2/core/types.hpp>

namespace pagecut {

struct Region {
    cv::Rect rect;            // page pixels; the region of interest of a block view
    std::int32_t lineGap = 0; // median blank-run height; 0 until the driver measures it
    std::int32_t depth = 0;   // recursion depth counter
    bool inverted = false;    // interior divided on an inverted copy of the image
    bool inCell = false;      // handed back by the cell splitter; never merged
};

struct SegmentationParams {
    std::int32_t minGap = 0;     // column runs closer than this are joined
    std::int32_t noiseLevel = 0; // profile values at or below it are blank
    std::int32_t maxDepth = 100; // soft depth limit of the recursion
    bool skipRuleRows = false;   // nearly full rows may not open a run
    bool skipRuleCols = false;   // nearly full columns may not open a run
    bool cutColumns = true;      // this level cuts columns (else rows)
    bool boxPass = false;        // first pass: only look for boxed blocks
    std::vector<Region> boxes;   // boxed blocks found by the first pass
    bool firstColumnOnly = true; // column cut keeps the first column and the rest
    bool refineColumns = true;   // column cut checks gaps just outside the block
};

// The parameters of the first pass, which only looks for framed blocks.
SegmentationParams boxPassParams();

// The parameters of the second pass, given the framed blocks of the first.
SegmentationParams layoutPassParams(std::vector<Region> boxes);

// The region covering a whole page of `cols` x `rows` pixels.
Region rootRegion(int cols, int rows);

} // namespace pagecut
