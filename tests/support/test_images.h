// SPDX-License-Identifier: Apache-2.0
// Small working images drawn in code for the tests.
#pragma once

#include <initializer_list>
#include <string>

#include <opencv2/core/mat.hpp>

namespace pagecut::test {

// A 0/1 working image from text rows: '#' (or any character but '.' and ' ')
// is ink 1, '.' and ' ' are background 0. All rows must be equally long.
cv::Mat imageFromRows(std::initializer_list<std::string> rows);

// A blank 0/1 working image of the given size (columns x rows).
cv::Mat blankImage(int cols, int rows);

// Sets the pixels of `rect` (clipped to the image) to `value`.
void fill(cv::Mat& image, const cv::Rect& rect, int value = 1);

// Draws the one-pixel outline of `rect` with ink.
void frame(cv::Mat& image, const cv::Rect& rect, int thickness = 1);

// A profile matrix (one row of int32) holding `values`.
cv::Mat profileOf(std::initializer_list<int> values);

} // namespace pagecut::test
