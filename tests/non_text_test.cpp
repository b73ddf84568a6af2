// SPDX-License-Identifier: Apache-2.0
// Pictures and rules of the paragraph mode, on small drawn pages with
// U = 20 pixels.
#include "paragraph/non_text.h"

#include <gtest/gtest.h>

#include "tests/support/block_groups.h"
#include "tests/support/test_images.h"

namespace pagecut {
namespace {

using test::kUnit;

std::vector<cv::Rect> boxesOfType(const std::vector<BlockGroup>& groups, BlockType type) {
    std::vector<cv::Rect> boxes;
    for (const BlockGroup& g : groups) {
        if (g.type == type)
            boxes.push_back(g.box);
    }
    return boxes;
}

TEST(NonText, PicturesAndRulesBecomeOneBlockEach) {
    cv::Mat ink = test::blankImage(600, 400);
    for (int x = 300; x < 400; x += 20) // a line of large letters
        test::fill(ink, {x, 300, 10, 50});
    const std::vector<NonTextPiece> pieces = {
        {{20, 20, 60, 30}, false, 0}, // two pieces of one picture, 5 pixels apart
        {{20, 55, 60, 30}, false, 1},   {{85, 30, 100, 2}, true, 1}, // a rule touching it: an axis
        {{200, 150, 200, 2}, true, 2},                               // a double rule
        {{200, 156, 200, 2}, true, 2},  {{200, 200, 200, 20}, false, 3}, // an ornament: flat
        {{450, 20, 30, 30}, false, 3},                                   // too small for a picture
        {{300, 300, 90, 50}, false, 4},                                  // the letters
        {{0, 390, 200, 2}, true, 5}, // along the border: the scan's edge
    };
    const std::vector<cv::Rect> rules = {{500, 100, 2, 150}, {560, 100, 2, 100}};
    const std::vector<BlockGroup> groups = nonTextGroups(ink, pieces, rules, {}, kUnit);
    EXPECT_EQ(boxesOfType(groups, BlockType::Image), (std::vector<cv::Rect>{{20, 20, 165, 65}}));
    EXPECT_EQ(
        boxesOfType(groups, BlockType::Separator),
        (std::vector<cv::Rect>{{200, 149, 200, 10}, {200, 199, 200, 22}, {499, 100, 4, 150}}));
    EXPECT_EQ(boxesOfType(groups, BlockType::Paragraph),
              (std::vector<cv::Rect>{{300, 300, 90, 50}}));
}

TEST(NonText, TextInsidePicturesIsPartOfThemAndRulingOfTablesIsNoSeparator) {
    std::vector<BlockGroup> groups = {{{100, 100, 200, 100}, 1, false, {}, BlockType::Image},
                                      {{400, 10, 100, 40}, 2, false, {}, BlockType::Paragraph}};
    const std::vector<cv::Rect> text =
        withoutPictureText({{10, 10, 80, 15}, {110, 95, 40, 15}, {10, 300, 80, 15}}, groups, kUnit);
    // The label goes into the picture, the large letters among the text.
    EXPECT_EQ(text,
              (std::vector<cv::Rect>{{10, 10, 80, 15}, {400, 10, 100, 40}, {10, 300, 80, 15}}));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].box, cv::Rect(100, 95, 200, 105));
    EXPECT_EQ(groups[0].first, 1); // after the one text piece before it

    std::vector<BlockGroup> nonText = {{{50, 50, 100, 2}, 0, false, {}, BlockType::Separator},
                                       {{60, 60, 50, 30}, 0, false, {}, BlockType::Image},
                                       {{300, 12, 100, 2}, 0, false, {}, BlockType::Separator},
                                       {{300, 300, 100, 2}, 0, false, {}, BlockType::Separator}};
    dropInnerNonText(nonText, {{{55, 45, 100, 60}, 0, true, {}}}, {{290, 5, 120, 15}}, kUnit);
    ASSERT_EQ(nonText.size(), 1u);
    EXPECT_EQ(nonText[0].box, cv::Rect(300, 300, 100, 2));
}

} // namespace
} // namespace pagecut
