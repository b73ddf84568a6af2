// SPDX-License-Identifier: Apache-2.0
// The default mode's page: the working page of a greyscale image, the two
// passes over it and the merge. No file is read or written here.
#pragma once

#include <cstdint>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"
#include "pagecut/pagecut.h"

namespace pagecut {

// The block lists of one page.
struct PageRegions {
    std::vector<Region> boxes;  // framed blocks found by the first pass
    std::vector<Region> blocks; // second pass, before merging
    std::vector<Region> merged; // the final list
};

// The working page of a greyscale image: every pixel that is not pure white is
// ink (1), the rest 0; outside `box` (x0, y0, x1, y1, exclusive ends) all is
// blank, unless the box is all zeros. The page keeps the image's size.
cv::Mat prepareWorkingPage(const cv::Mat& grey, const PageBox& box);

// The same, turning `page` (greyscale) into the working page in place.
void prepareWorkingPageInPlace(cv::Mat& page, const PageBox& box);

// Whether `box` can be used on an image of `size`: BoxOutsideImage when it
// reaches the last column or row or beyond, EmptyBox when it is not all zeros
// and x0 >= x1 or y0 >= y1, else Ok.
PageStatus checkBox(const PageBox& box, const cv::Size& size);

// True for the box of all zeros, which stands for the whole page.
bool isWholePage(const PageBox& box);

// The part of an image of `size` that `box` keeps: all of it for the whole
// page, else the box clipped to the image.
cv::Rect boxArea(const PageBox& box, const cv::Size& size);

// Runs both passes over a working page and merges the second pass. The page
// may be drawn into by the table strategies.
PageRegions segmentWorkingPage(cv::Mat& page);

} // namespace pagecut
