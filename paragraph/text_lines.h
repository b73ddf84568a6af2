// SPDX-License-Identifier: Apache-2.0
// The text lines of the paragraph mode's blocks, as boxes on the working
// page. Limits are in units of U, the height of a line of text.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// `box` on the 0/1 page `ink` cut into lines: where the row profile falls
// to a valley at most a third of the peaks within U above and below it, as
// long as each part keeps at least U/2 of ink rows. Each line is trimmed to
// its ink; a box without ink gives none.
std::vector<cv::Rect> splitLines(const cv::Mat& ink, const cv::Rect& box, double unit);

// The text lines of a block from the line boxes it was joined from: boxes
// over 1.5 U tall split by splitLines, boxes on one row (each overlapping
// the other by half the lower one's height) and at most 2 U apart joined, in
// reading order.
std::vector<cv::Rect> textLines(const cv::Mat& ink, const std::vector<cv::Rect>& lines,
                                double unit);

// Lines in reading order: top to bottom, and left to right where they stand
// level (each overlapping the first of the row by half the lower one).
void sortLines(std::vector<cv::Rect>& lines);

} // namespace pagecut
