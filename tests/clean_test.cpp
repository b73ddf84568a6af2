// SPDX-License-Identifier: Apache-2.0
// Cleaning the blocks, on small drawn pages with U = 20 pixels.
#include "paragraph/clean.h"

#include <gtest/gtest.h>

#include "tests/support/block_groups.h"
#include "tests/support/test_images.h"
#include "working_page/scale.h"

namespace pagecut {
namespace {

using test::boxesOf;
using test::GroupingCase;
using test::kUnit;
using test::linesOf;

TEST(Clean, CleaningSplitsAtBlankRowsAndGuttersAndDropsNoise) {
    cv::Mat ink = test::blankImage(600, 400);
    test::fill(ink, {10, 10, 90, 15}); // two lines of two words in one block ...
    test::fill(ink, {110, 10, 100, 15});
    test::fill(ink, {10, 30, 70, 15}); // ... one blank row apart
    test::fill(ink, {90, 30, 70, 15});
    test::fill(ink, {10, 100, 300, 3}); // a thin rule
    test::fill(ink, {400, 10, 5, 5});   // a speck
    test::fill(ink, {235, 15, 5, 5});   // and one 1.25 U beside a line
    for (int x = 10; x < 210; x += 3) { // two columns of touching lines 9 pixels apart
        test::fill(ink, {x, 150, 1, 120});
        test::fill(ink, {x + 208, 150, 1, 120});
    }
    cv::Mat glyphs = ink.clone();
    test::fill(ink, {450, 300, 100, 80}, 1); // a picture: no character-sized ink
    test::fill(ink, {550, 10, 30, 100});     // a sliver of the book edge
    for (int x = 450; x < 550; x += 3)       // scanner noise: no glyphs
        test::fill(ink, {x, 200, 1, 80});
    std::vector<NonTextPiece> nonText;
    const std::vector<cv::Rect> cleaned = cleanBlocks({{0, 0, 300, 60},
                                                       {0, 95, 400, 20},
                                                       {395, 5, 20, 20},
                                                       {5, 145, 420, 130},
                                                       {440, 290, 120, 100},
                                                       {545, 5, 40, 110},
                                                       {445, 195, 110, 90},
                                                       {555, 145, 30, 25}},
                                                      ink, glyphs, kUnit, &nonText);
    const std::vector<cv::Rect> expected = {
        {10, 10, 200, 15}, {10, 30, 150, 15}, {10, 150, 199, 120}, {218, 150, 199, 120}};
    EXPECT_EQ(cleaned, expected);
    // The rule and the picture are set aside, with their places; the noise
    // is a picture piece too, for the pictures' own tests to sort out.
    ASSERT_EQ(nonText.size(), 3u);
    EXPECT_EQ(nonText[0].box, cv::Rect(10, 100, 300, 3));
    EXPECT_TRUE(nonText[0].rule);
    EXPECT_EQ(nonText[0].place, 2);
    EXPECT_EQ(nonText[1].box, cv::Rect(450, 300, 100, 80));
    EXPECT_FALSE(nonText[1].rule);
}

TEST(Clean, UnitIsTheMedianSingleLineHeightOrTwoTextHeights) {
    EXPECT_EQ(lineUnit({{0, 0, 9, 20}, {0, 0, 9, 22}, {0, 0, 9, 300}, {0, 0, 9, 24}}, 10), 22);
    EXPECT_EQ(lineUnit({{0, 0, 9, 300}}, 10), 20);
    EXPECT_EQ(lineUnit({}, 12), 24);
}

} // namespace
} // namespace pagecut
