// SPDX-License-Identifier: Apache-2.0
// What a result file describes, and what its formats share.
#pragma once

#include <string>
#include <vector>

#include <opencv2/core/types.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

struct ResultPage {
    std::string imagePath; // INPUT_IMAGE as given, any bytes
    int width = 0;         // the image's size in pixels
    int height = 0;
    std::vector<cv::Rect> blocks; // in reading order: the blocks of text, which txt lists
    // The paragraph mode's results: the structured formats then describe
    // every block with its type, outline and lines, and the page's skew.
    bool typed = false;
    double skew = 0;
    std::vector<BlockLayout> layouts{};
};

// The bounding box of an outline, whose corners are pixels (so inclusive).
cv::Rect outlineBox(const Outline& outline);

// An angle in degrees with two decimals, as the formats write it ("-1.25").
std::string degrees(double value);

// The blocks the structured formats describe: the layouts of a typed page;
// otherwise each block of text as an untyped paragraph without lines.
std::vector<BlockLayout> describedBlocks(const ResultPage& page);

} // namespace pagecut
