// SPDX-License-Identifier: Apache-2.0
// The way back from the page the paragraph mode works on (scaled to a
// nominal text size, and turned level when the page is skewed) to the page
// as it was given.
#pragma once

#include <opencv2/core/types.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

struct PageFrame {
    double scale = 1; // scaled size / page size
    // From the working page to the scaled page: a rotation about the centre
    // when the page was straightened, else the identity.
    cv::Matx23d toScaled = cv::Matx23d(1, 0, 0, 0, 1, 0);
    bool straight = true; // no rotation: boxes map exactly, without rounding
    cv::Size page;        // the page as given
};

// `r` on a page scaled by `scale`, mapped back to a page of size `page`:
// start rounded down, end rounded up, clipped. May come out empty.
cv::Rect unscaleRect(const cv::Rect& r, double scale, cv::Size page);

// The bounding box on the page of `r` on the working page, clipped to the
// page; may come out empty.
cv::Rect boxOnPage(const cv::Rect& r, const PageFrame& frame);

// The four corners of `r` on the page, top-left first and clockwise as
// displayed, each moved onto the page. On a straight page, the corner pixels
// of boxOnPage.
Outline outlineOnPage(const cv::Rect& r, const PageFrame& frame);

} // namespace pagecut
