// SPDX-License-Identifier: Apache-2.0
// Vertical rules found before the paragraph mode wipes them.
#include "working_page/vertical_rules.h"

#include <gtest/gtest.h>

#include "tests/support/test_images.h"

namespace pagecut {
namespace {

TEST(VerticalRules, LongThinRunsAreRulesAndBrokenOnesAreJoined) {
    cv::Mat ink = test::blankImage(300, 300);
    test::fill(ink, {50, 10, 2, 200});   // a rule between columns
    test::fill(ink, {120, 10, 3, 100});  // a rule broken by a gap under a text height
    test::fill(ink, {121, 118, 3, 100}); // and slightly askew
    test::fill(ink, {200, 10, 30, 100}); // a bar: too wide
    test::fill(ink, {260, 10, 2, 40});   // a stroke: too short
    EXPECT_EQ(findVerticalRules(ink, 12),
              (std::vector<cv::Rect>{{50, 10, 2, 200}, {120, 10, 4, 208}}));
    EXPECT_TRUE(findVerticalRules(test::blankImage(1, 1), 12).empty());
}

} // namespace
} // namespace pagecut
