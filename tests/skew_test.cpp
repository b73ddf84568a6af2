// SPDX-License-Identifier: Apache-2.0
// The skew estimate on generated pages turned as a scanner turns them, its
// traps (rules, a dark scan edge, a picture, little text, no text), and the
// straightening's map back to the page as given.
#include "working_page/skew.h"

#include <cmath>
#include <functional>
#include <random>
#include <string>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "tests/support/test_images.h"
#include "tools/pagegen.h"
#include "working_page/scale.h"

namespace pagecut {
namespace {

// `page` turned counter-clockwise by `degrees` about its centre, on the same
// canvas with white fill: the lines then rise to the right by `degrees`.
cv::Mat turned(const cv::Mat& page, double degrees) {
    const cv::Mat m =
        cv::getRotationMatrix2D(cv::Point2f(page.cols / 2.f, page.rows / 2.f), degrees, 1.0);
    cv::Mat out;
    cv::warpAffine(page, out, m, page.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                   cv::Scalar(255));
    return out;
}

// The skew as the paragraph mode measures it: on the glyphs of the scaled page.
double skewOf(const cv::Mat& grey) {
    const ScaledPage scaled = scalePage(grey, PageBox{});
    return measureSkew(scaled.glyphs, scaled.textHeight);
}

TEST(Skew, TheAngleOfATurnedPageIsFoundWhateverItsSign) {
    // Two columns, a framed paragraph, a ruled and a gridded table.
    const cv::Mat page = pagegen::samplePage();
    for (double degrees : {-5.0, -2.0, -0.5, 0.0, 0.7, 3.0, 5.0}) {
        SCOPED_TRACE(degrees);
        EXPECT_NEAR(skewOf(turned(page, degrees)), degrees, 0.15);
    }
}

// A page of text in one wide column, `lines` lines long.
cv::Mat textPage(int lines) {
    cv::Mat page = pagegen::blankPage(1240, 1754);
    pagegen::drawParagraph(page, {120, 200, 1000, 1400}, lines, 11);
    return page;
}

// Noise of ink density one half: a picture with no direction.
void drawPicture(cv::Mat& page, const cv::Rect& area) {
    cv::Mat noise(area.size(), CV_8UC1);
    cv::RNG random(5);
    random.fill(noise, cv::RNG::UNIFORM, 0, 256);
    cv::threshold(noise, page(area), 127, 255, cv::THRESH_BINARY);
}

TEST(Skew, RulesEdgesPicturesAndLittleTextDoNotMisleadIt) {
    struct Case {
        std::string name;
        std::function<cv::Mat()> page;
        double expected;
    };
    const Case cases[] = {
        {"level rules and a frame on a turned page",
         [] {
             cv::Mat page = pagegen::blankPage(1240, 1754);
             for (int y : {200, 800, 1400})
                 pagegen::drawParagraph(page, {120, y, 1000, 300}, 11, y);
             page = turned(page, 2);
             for (int y : {620, 1220})
                 cv::rectangle(page, cv::Rect(100, y, 1040, 5), cv::Scalar(0), -1);
             cv::rectangle(page, cv::Rect(40, 40, 1160, 1674), cv::Scalar(0), 6);
             return page;
         },
         2},
        {"a dark scan border and book edge",
         [] {
             cv::Mat page = turned(textPage(30), 2);
             page(cv::Rect(0, 0, 1240, 70)).setTo(0);
             page(cv::Rect(0, 0, 90, 1754)).setTo(0);
             cv::fillConvexPoly(page, std::vector<cv::Point>{{1180, 0}, {1240, 0}, {1240, 1754}},
                                cv::Scalar(0));
             return page;
         },
         2},
        {"a picture beside the text",
         [] {
             cv::Mat page = turned(textPage(16), 2);
             drawPicture(page, {150, 1050, 900, 600});
             return page;
         },
         2},
        {"two long lines", [] { return turned(textPage(2), -3); }, -3},
        {"three long lines", [] { return turned(textPage(3), 2); }, 2},
        {"a picture alone",
         [] {
             cv::Mat page = pagegen::blankPage(1240, 1754);
             drawPicture(page, {150, 250, 900, 1200});
             return page;
         },
         0},
        {"an empty page", [] { return pagegen::blankPage(1240, 1754); }, 0},
        {"a black page", [] { return cv::Mat(1754, 1240, CV_8UC1, cv::Scalar(0)); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double skew = skewOf(c.page());
        if (c.expected == 0)
            EXPECT_EQ(skew, 0);
        else
            EXPECT_NEAR(skew, c.expected, 0.15);
    }
    // Pages too small for a pair of strips.
    for (const cv::Size size : {cv::Size(3, 3), cv::Size(1, 500), cv::Size(500, 1)})
        EXPECT_EQ(measureSkew(cv::Mat::ones(size, CV_8UC1), 12), 0);
    // A few words give little evidence: no angle, or one near the truth.
    cv::Mat words = pagegen::blankPage(1240, 1754);
    pagegen::drawTextLine(words, "a few words", {500, 800});
    const double few = skewOf(turned(words, 2));
    EXPECT_TRUE(few == 0 || std::abs(few - 2) < 0.5) << few;
}

TEST(Skew, AStraightenedBlockMapsBackOntoTheTurnedOne) {
    const cv::Size size(400, 300);
    const double degrees = 4;
    // A block turned with the page: a rectangle about the page's centre
    // turned counter-clockwise, drawn in the page as given.
    const Straightening how = straightening(size, degrees);
    EXPECT_GT(how.size.width, size.width);
    EXPECT_GT(how.size.height, size.height);
    const cv::Rect block(80, 60, 200, 100);
    const double r = degrees * CV_PI / 180;
    const cv::Point2d centre(size.width / 2.0, size.height / 2.0);
    const auto turn = [&](cv::Point2d p) {
        const cv::Point2d d = p - centre;
        return centre + cv::Point2d(std::cos(r) * d.x + std::sin(r) * d.y,
                                    -std::sin(r) * d.x + std::cos(r) * d.y);
    };
    const cv::Point2d corners[4] = {turn({80, 60}), turn({280, 60}), turn({280, 160}),
                                    turn({80, 160})};
    // Drawn with sub-pixel corners; the pixel of index (x, y) is centred on
    // (x + 0.5, y + 0.5).
    cv::Mat ink = test::blankImage(size.width, size.height);
    std::vector<cv::Point> polygon;
    for (const cv::Point2d& p : corners)
        polygon.emplace_back(cvRound((p.x - 0.5) * 16), cvRound((p.y - 0.5) * 16));
    cv::fillConvexPoly(ink, polygon, cv::Scalar(1), cv::LINE_8, 4);

    const cv::Mat straight = straighten(ink, how);
    ASSERT_EQ(straight.size(), how.size);
    const cv::Rect found = cv::boundingRect(straight);
    // The drawing covers the pixels on the outline: a pixel more on each side.
    EXPECT_NEAR(found.width, block.width, 2);
    EXPECT_NEAR(found.height, block.height, 2);
    const std::array<cv::Point2d, 4> back = unstraighten(found, how);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(cv::norm(back[i] - corners[i]), 1.5);
    }
    // The forward map undoes the inverse.
    const cv::Vec2d there = how.forward * cv::Vec3d(back[2].x, back[2].y, 1);
    EXPECT_NEAR(there[0], found.br().x, 1e-9);
    EXPECT_NEAR(there[1], found.br().y, 1e-9);
    // No ink is lost: the whole of a full page lands on the larger canvas.
    const cv::Mat full = cv::Mat::ones(size, CV_8UC1);
    EXPECT_NEAR(cv::countNonZero(straighten(full, how)), size.area(), size.width + size.height);
}

TEST(Skew, AtZeroDegreesTheStraighteningIsTheIdentity) {
    const cv::Mat ink = test::blankImage(50, 40);
    const Straightening how = straightening(ink.size(), 0);
    EXPECT_EQ(how.size, ink.size());
    EXPECT_EQ(straighten(ink, how).data, ink.data);
    const std::array<cv::Point2d, 4> back = unstraighten({3, 4, 10, 20}, how);
    EXPECT_EQ(back[0], cv::Point2d(3, 4));
    EXPECT_EQ(back[2], cv::Point2d(13, 24));
}

TEST(Skew, TurnedRulesAreMendedAndTextIsNot) {
    // Text 10 pixels high: rules of 40 pixels or more, dashes of 10.
    struct Case {
        const char* what;
        double degrees; // the page's turn
        std::function<void(cv::Mat&)> draw;
        int mendedRow10; // ink on row 10 afterwards
    };
    const auto dashes = [](int period) {
        return [period](cv::Mat& ink) {
            for (int x = 10; x < 70; ++x)
                ink.at<std::uint8_t>(10, x) = (x - 10) % period < 10;
        };
    };
    const Case cases[] = {
        {"a rule in dashes over two rows, gaps of one pixel", 3,
         [](cv::Mat& ink) {
             for (int x = 10; x < 70; ++x)
                 ink.at<std::uint8_t>(x % 7 < 4 ? 10 : 11, x) = x % 13 != 12;
         },
         60},
        {"short dashes two pixels apart stay apart", 3,
         [](cv::Mat& ink) {
             for (int x = 10; x < 70; ++x)
                 ink.at<std::uint8_t>(10, x) = x % 10 >= 2;
         },
         48},
        {"dashes of a text height, two pixels apart, are joined", 3, dashes(12), 58},
        {"five pixels apart they stay apart at 3 degrees", 3, dashes(15), 40},
        {"and are joined at half a degree, where the rows part longer", 0.5, dashes(15), 55},
        {"a band of touching letters, ink above and below", 0.5,
         [](cv::Mat& ink) {
             ink(cv::Rect(10, 6, 60, 10)).setTo(1);
             for (int x = 10; x < 70; x += 6)
                 ink(cv::Rect(x, 6, 1, 10)).setTo(0);
         },
         50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cv::Mat ink = cv::Mat::zeros(20, 80, CV_8UC1);
        c.draw(ink);
        mendTurnedRules(ink, 10, c.degrees);
        EXPECT_EQ(cv::countNonZero(ink.row(10)), c.mendedRow10);
    }
}

} // namespace
} // namespace pagecut
