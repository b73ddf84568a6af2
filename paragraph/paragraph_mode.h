// SPDX-License-Identifier: Apache-2.0
// The paragraph mode: the page scaled to a nominal text size and turned
// level, the unchanged two passes run on it, and their blocks regrouped into
// the paragraphs, headings, tables and pictures a reader would mark.
#pragma once

#include <optional>

#include <opencv2/core/mat.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

// Whether `degrees` can be given as a page's skew: a finite number between
// -45 and 45.
bool isSkewValue(double degrees);

// Fills `result` for `grey` (one 8-bit channel) within `box` (already
// checked), with the page's skew `skew` (measured when not given): the
// blocks of text, every block with its type and lines as layouts, and the
// second-pass blocks they were grouped from as the unmerged list, all in page
// coordinates.
void cutParagraphs(const cv::Mat& grey, const PageBox& box, std::optional<double> skew,
                   PageBlocks& result);

} // namespace pagecut
