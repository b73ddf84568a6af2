// SPDX-License-Identifier: Apache-2.0
// The skew of a scanned page and its straightening: the angle of the text
// lines, measured on the page at the nominal text size, and the page rotated
// so that its lines are level, with the map that takes points of the
// straightened page back to the page as given.
//
// Sign convention: an angle is in degrees, positive when the text lines rise
// to the right as the image is displayed (y down), that is when the content
// is turned counter-clockwise by that angle. Turning the page clockwise by
// the angle straightens it.
#pragma once

#include <array>

#include <opencv2/core/mat.hpp>
#include <opencv2/core/matx.hpp>

namespace pagecut {

// The angle of the text lines of `ink`, a CV_8UC1 page scaled so that its
// text is about `textHeight` pixels high. Only pixels of value 1 count: a 0/1
// ink page, or the glyph map of removeEdgeInk (kGlyphInk), whose other values
// (rules, pictures, the wiped edge of the scan) are then ignored. Measures
// within +-7 degrees to about 0.1; returns exactly 0 when the lines give no
// clear angle (an empty page, a picture, too little text) or when the best
// angle lies at the end of that range.
double measureSkew(const cv::Mat& ink, double textHeight);

// How a page of `page` size is turned by `degrees` about its centre. Points
// are in continuous page coordinates, pixel (x, y) covering [x, x+1) x
// [y, y+1), so a rectangle's corners are (x, y) and (x + width, y + height).
struct Straightening {
    double degrees = 0;                                  // the skew that is undone
    cv::Matx23d forward = cv::Matx23d(1, 0, 0, 0, 1, 0); // page as given -> straightened page
    cv::Matx23d inverse = cv::Matx23d(1, 0, 0, 0, 1, 0); // straightened page -> page as given
    cv::Size size; // the straightened page, large enough to hold all of the page
};

// The straightening of a page of `page` size that has a skew of `degrees`.
// At 0 degrees both maps are the exact identity and the size is the page's.
Straightening straightening(cv::Size page, double degrees);

// `image` (CV_8UC1, any values, e.g. 0/1 ink or the glyph map) turned by
// `how`, nearest neighbour, blank (0) where no pixel of the page falls. At
// 0 degrees, `image` itself (no copy).
cv::Mat straighten(const cv::Mat& image, const Straightening& how);

// Mends the horizontal rules of a 0/1 page that was turned by `degrees`
// (by the scanner, then back by straighten), whose text is `textHeight`
// high: a thin rule that crosses rows comes out of the resampling as dashes
// on two neighbouring rows. Where a row or the next one has ink over 4 text
// heights or more, with gaps of a pixel at most, or between dashes a text
// height long of a third of a text height at one degree (longer at smaller
// angles, up to one text height; a quarter at least), and the rows two away
// have ink under less than a quarter of it, both rows are filled. Vertical
// rules are left alone: mended, the debris of a book's edge would pass for
// column rules.
void mendTurnedRules(cv::Mat& ink, double textHeight, double degrees);

// The corners of `rect`, a rectangle of the straightened page, in the page as
// given: top-left, top-right, bottom-right, bottom-left.
std::array<cv::Point2d, 4> unstraighten(const cv::Rect& rect, const Straightening& how);

} // namespace pagecut
