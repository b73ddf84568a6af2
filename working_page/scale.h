// SPDX-License-Identifier: Apache-2.0
// The page at a nominal text size for the paragraph mode: a real threshold,
// the height of the text, the page rescaled so that the text has one size
// whatever the resolution, and the ink along the scan's edge wiped. Vertical
// rules are found and wiped in vertical_rules.h.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

#include "pagecut/pagecut.h"

namespace pagecut {

// The text height the page is scaled to, in pixels.
constexpr double kNominalTextHeight = 12.0;

// Values of the ink map of removeEdgeInk: blank paper and ink of no other
// kind, ink of a character-sized component, wiped ink of the page's edge.
constexpr int kOtherInk = 0;
constexpr int kGlyphInk = 1;
constexpr int kEdgeInk = 2;

// 0/1 ink of a greyscale page. A page of at most two grey values keeps the
// program's own rule (all but pure white is ink); on a grey or colour scan
// Otsu's threshold separates ink from paper texture.
cv::Mat thresholdInk(const cv::Mat& grey);

// The median height of the character-sized 8-connected ink components of a
// 0/1 image (3 <= height <= rows / 10, width <= 4 x height, area >= 6), or 0
// when fewer than 20 such components leave the height unknown. Pages over
// 4 megapixels are measured at half size, which is four times quicker.
double estimateTextHeight(const cv::Mat& ink);

// The same, for a caller that has the page at half size anyway: `half` is
// `ink` as 0/255 averaged over 2 x 2 cells, read only for pages over
// 4 megapixels.
double estimateTextHeight(const cv::Mat& ink, const cv::Mat& half);

// The factor that brings `textHeight` to the nominal size, clamped to
// 0.2 - 2 and to a scaled page of at most max(pixels, 16 MP); 1 when the
// height is unknown (0).
double pageScale(double textHeight, cv::Size page);

// `ink` (0/1) scaled by `scale`: halved by 2 x 2 averages while the factor
// is 1/2 or less, the rest linear; a pixel is ink when at least half covered.
cv::Mat rescaleInk(const cv::Mat& ink, double scale);

// The same for ink of value `inkValue` (1 or 255; 255 saves a copy).
cv::Mat rescaleInk(const cv::Mat& ink, double scale, int inkValue);

// Wipes ink components that touch the edge of `frame` and reach 8 text
// heights or more in width or height: the dark margin of a scan, the book
// edge, a sliver of the facing page. Returns a map of the ink: kGlyphInk on
// the pixels of character-sized components (half to three text heights
// high, at most six wide), which tells text from pictures, kEdgeInk on the
// wiped pixels, 0 elsewhere.
cv::Mat removeEdgeInk(cv::Mat& ink, const cv::Rect& frame, double textHeight);

// The page prepared for the paragraph mode.
struct ScaledPage {
    cv::Mat ink;                           // 0/1 at the nominal text size, blank outside the box
    cv::Mat glyphs;                        // the ink map of removeEdgeInk
    double scale = 1;                      // scaled size / page size
    double textHeight;                     // text height on the scaled page
    std::vector<cv::Rect> verticalRules{}; // the rules wiped from `ink`, by the caller
};

// Thresholds `grey`, blanks it outside `box` (checked by the caller),
// rescales it and removes the ink along its edges. Its vertical rules are
// left to the caller, who may turn the page level first.
ScaledPage scalePage(const cv::Mat& grey, const PageBox& box);

} // namespace pagecut
