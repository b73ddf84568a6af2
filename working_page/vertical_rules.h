// SPDX-License-Identifier: Apache-2.0
// Vertical rules of the paragraph mode's page: found first, since the rules
// between columns are blocks of their own, then wiped, so that the gutters
// they stand in become blank.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// The boxes of the vertical rules of the 0/1 page `ink` whose text is
// `textHeight` high: ink runs at least 4 text heights long in neighbouring
// columns, joined where they overlap or lie less than a text height apart,
// at most a third of a text height wide in all.
std::vector<cv::Rect> findVerticalRules(const cv::Mat& ink, double textHeight);

// Wipes vertical rules (ink runs at least 4 text heights long and thinner
// than a third of one), with a margin of `textHeight` / 2 on each side.
void removeVerticalRules(cv::Mat& ink, double textHeight);

} // namespace pagecut
