// SPDX-License-Identifier: Apache-2.0
// The page at a nominal text size: threshold, text height and its fallback,
// the scale factor, rule and edge removal.
#include "working_page/scale.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "tests/support/test_images.h"
#include "tools/pagegen.h"
#include "working_page/vertical_rules.h"

namespace pagecut {
namespace {

TEST(ParagraphScale, TextHeightFollowsTheFontSizeAndIsUnknownWithoutText) {
    struct Case {
        double fontScale;
        int thickness;
        double low, high; // the drawn glyphs' heights lie in here
    };
    const Case cases[] = {{0.6, 1, 7, 14}, {1.2, 2, 14, 28}, {2.4, 3, 28, 56}};
    double previous = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fontScale);
        cv::Mat page = pagegen::blankPage(1200, 1000);
        pagegen::drawParagraph(page, {20, 20, 1160, 960}, 12, 7, {c.fontScale, c.thickness, 10});
        const double height = estimateTextHeight(thresholdInk(page));
        EXPECT_GE(height, c.low);
        EXPECT_LE(height, c.high);
        EXPECT_GT(height, previous);
        previous = height;
    }
    // A page over 4 megapixels is measured at half size, with the same result.
    cv::Mat large = pagegen::blankPage(2600, 1700);
    pagegen::drawParagraph(large, {20, 20, 2560, 1660}, 30, 7, {1.2, 2, 10});
    EXPECT_NEAR(estimateTextHeight(thresholdInk(large)),
                estimateTextHeight(thresholdInk(large(cv::Rect(0, 0, 2600, 1500)))), 2);
    // Too few glyphs: the height is unknown and the page keeps its size.
    cv::Mat few = pagegen::blankPage(300, 300);
    pagegen::drawTextLine(few, "a b c", {10, 10});
    EXPECT_EQ(estimateTextHeight(thresholdInk(few)), 0);
    EXPECT_EQ(pageScale(0, few.size()), 1);
    EXPECT_EQ(estimateTextHeight(cv::Mat::ones(200, 200, CV_8UC1)), 0);
}

TEST(ParagraphScale, ScaleBringsTextToTheNominalHeightWithinItsLimits) {
    EXPECT_DOUBLE_EQ(pageScale(24, {2000, 3000}), 0.5);
    EXPECT_DOUBLE_EQ(pageScale(6, {600, 800}), 2);
    EXPECT_DOUBLE_EQ(pageScale(1000, {2000, 3000}), 0.2);
    EXPECT_DOUBLE_EQ(pageScale(1, {600, 800}), 2);
    // An upscaled page stays within 16 megapixels; a larger one is not upscaled.
    EXPECT_DOUBLE_EQ(pageScale(3, {3000, 3000}), 4.0 / 3);
    EXPECT_DOUBLE_EQ(pageScale(3, {5000, 5000}), 1);
    EXPECT_EQ(rescaleInk(cv::Mat::ones(1, 3000, CV_8UC1), 0.2).size(), cv::Size(600, 1));
    EXPECT_EQ(rescaleInk(cv::Mat::ones(1, 1, CV_8UC1), 0.2).size(), cv::Size(1, 1));
}

TEST(ParagraphScale, GreyScansAreThresholdedAndTwoValuedPagesKeepTheProgramsRule) {
    cv::Mat texture(40, 40, CV_8UC1, cv::Scalar(230));
    texture(cv::Rect(0, 0, 20, 40)).setTo(225); // paper texture
    texture(cv::Rect(5, 5, 10, 10)).setTo(30);  // ink
    EXPECT_EQ(cv::countNonZero(thresholdInk(texture)), 100);
    cv::Mat twoValued(40, 40, CV_8UC1, cv::Scalar(255));
    twoValued(cv::Rect(0, 0, 20, 40)).setTo(250);
    EXPECT_EQ(cv::countNonZero(thresholdInk(twoValued)), 800);
    // A bilevel page that was resampled: grey only along its strokes' edges,
    // so many of them that Otsu's threshold would sit well above the middle
    // and take the lighter edge pixels for ink.
    cv::Mat resampled(40, 40, CV_8UC1, cv::Scalar(255));
    resampled(cv::Rect(0, 0, 40, 10)).setTo(0);
    resampled(cv::Rect(0, 10, 40, 2)).setTo(100); // darker than the middle: ink
    resampled(cv::Rect(0, 12, 40, 3)).setTo(170); // lighter: paper
    EXPECT_EQ(cv::countNonZero(thresholdInk(resampled)), 480);
    // Faint grey ink on paper clipped to white, and a speck of black: the
    // middle would lose the ink, Otsu's threshold keeps it.
    cv::Mat faint(40, 40, CV_8UC1, cv::Scalar(255));
    faint(cv::Rect(0, 0, 40, 8)).setTo(150);
    faint(cv::Rect(0, 8, 40, 2)).setTo(200);
    faint.at<std::uint8_t>(39, 39) = 0;
    EXPECT_EQ(cv::countNonZero(thresholdInk(faint)), 401);
}

TEST(ParagraphScale, VerticalRulesAndEdgeInkAreWipedButTextStays) {
    cv::Mat ink = test::blankImage(200, 200);
    test::fill(ink, {100, 10, 2, 150}); // a rule between two columns
    test::fill(ink, {20, 20, 8, 12});   // glyphs
    test::fill(ink, {140, 20, 8, 12});
    test::fill(ink, {20, 120, 60, 60}); // a picture: long runs, but wide
    removeVerticalRules(ink, 12);
    EXPECT_EQ(cv::countNonZero(ink(cv::Rect(90, 0, 20, 200))), 0);
    EXPECT_EQ(cv::countNonZero(ink), 2 * 96 + 3600);

    cv::Mat scan = test::blankImage(200, 200);
    test::fill(scan, {0, 0, 200, 15}); // the dark margin of a scan
    test::fill(scan, {20, 40, 8, 12});
    test::fill(scan, {100, 60, 60, 60}); // a picture: no character
    const cv::Mat glyphs = removeEdgeInk(scan, {0, 0, 200, 200}, 12);
    EXPECT_EQ(cv::countNonZero(scan), 96 + 3600);
    EXPECT_EQ(cv::countNonZero(glyphs == kGlyphInk), 96);
    EXPECT_EQ(cv::countNonZero(glyphs == kEdgeInk), 200 * 15);
}

} // namespace
} // namespace pagecut
