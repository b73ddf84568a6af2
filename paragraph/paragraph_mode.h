// SPDX-License-Identifier: Apache-2.0
// The paragraph mode: the unchanged two passes run on the page at a nominal
// text size, and their blocks regrouped into the paragraphs, headings and
// tables a reader would mark.
#pragma once

#include <opencv2/core/mat.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

// Fills `result` for `grey` (one 8-bit channel) within `box` (already
// checked): the groups as final blocks, and the second-pass blocks they
// were grouped from as the unmerged list, both in page coordinates.
void cutParagraphs(const cv::Mat& grey, const PageBox& box, PageBlocks& result);

// `r` on a page scaled by `scale`, mapped back to a page of size `page`:
// start rounded down, end rounded up, clipped. May come out empty.
cv::Rect unscaleRect(const cv::Rect& r, double scale, cv::Size page);

} // namespace pagecut
