// SPDX-License-Identifier: Apache-2.0
// The paragraph mode as a whole: hostile pages, and one run of the program
// with --paragraphs.
#include "paragraph/paragraph_mode.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "tests/support/run_program.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

TEST(ParagraphMode, HostilePagesGiveBlocksInsideThePageOrNone) {
    cv::Mat text = pagegen::blankPage(400, 300);
    pagegen::drawParagraph(text, {10, 10, 380, 280}, 8, 3);
    const struct {
        const char* what;
        cv::Mat page;
        PageBox box;
    } cases[] = {
        {"1 x 1", cv::Mat(1, 1, CV_8UC1, cv::Scalar(0)), {}},
        {"1 x 3000", cv::Mat(3000, 1, CV_8UC1, cv::Scalar(0)), {}},
        {"3000 x 1", cv::Mat(1, 3000, CV_8UC1, cv::Scalar(0)), {}},
        {"all ink", cv::Mat(300, 400, CV_8UC1, cv::Scalar(0)), {}},
        {"blank", pagegen::blankPage(400, 300), {}},
        {"text in a box", text, {50, 20, 300, 200}},
        {"grey noise", cv::Mat(300, 400, CV_8UC1, cv::Scalar(200)), {}},
    };
    cv::randu(cases[6].page, 150, 256);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PageBlocks blocks;
        ASSERT_EQ(cutPage(c.page, c.box, PageOptions{1, true}, blocks), PageStatus::Ok);
        const cv::Rect whole(0, 0, c.page.cols, c.page.rows);
        for (const cv::Rect& r : blocks.blocks)
            EXPECT_EQ(r & whole, r);
        for (const cv::Rect& r : blocks.unmerged)
            EXPECT_EQ(r & whole, r);
    }
    PageBlocks blocks;
    EXPECT_EQ(cutPage(text, {0, 0, 400, 10}, PageOptions{1, true}, blocks),
              PageStatus::BoxOutsideImage);
}

TEST(ParagraphMode, ProgramGivesOneBlockPerParagraphAndColumn) {
    test::TempDir out;
    cv::Mat page = pagegen::blankPage(1240, 900);
    pagegen::drawTextLine(page, "A heading over both columns", {60, 40}, {1.2, 2, 10});
    for (int column = 0; column < 2; ++column) {
        pagegen::drawParagraph(page, {60 + column * 600, 120, 540, 300}, 8, 11 + column);
        pagegen::drawParagraph(page, {60 + column * 600, 480, 540, 300}, 8, 21 + column);
    }
    const std::string image = out.path() + "page.png";
    ASSERT_TRUE(cv::imwrite(image, page));
    const std::string log = out.path() + "result.txt";
    const test::ProgramResult r =
        test::runPagecut({"--paragraphs", image, "0", "0", "0", "0", out.path(), log, "1", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.stdErr;
    EXPECT_EQ(r.stdOut + r.stdErr, "");
    std::ifstream file(log);
    std::vector<cv::Rect> blocks;
    for (cv::Rect b; file >> b.x >> b.y >> b.width >> b.height;)
        blocks.push_back(b);
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_LT(blocks[0].y, 100); // the heading first, then each column top to bottom
    EXPECT_LT(blocks[1].x, 600);
    EXPECT_LT(blocks[1].y, blocks[2].y);
    EXPECT_GT(blocks[3].x, 600);
    EXPECT_TRUE(test::fileExists(out.path() + "res_page.png"));
}

// The same page tilted: found level again, and each block's outline is the
// straight page's block turned with it.
TEST(ParagraphMode, TiltedPageIsStraightenedAndItsBlocksTurnedBack) {
    cv::Mat page = pagegen::blankPage(1240, 900);
    for (int column = 0; column < 2; ++column) {
        pagegen::drawParagraph(page, {60 + column * 600, 120, 540, 300}, 8, 11 + column);
        pagegen::drawParagraph(page, {60 + column * 600, 480, 540, 300}, 8, 21 + column);
    }
    PageBlocks straight;
    ASSERT_EQ(cutPage(page, {}, PageOptions{1, true}, straight), PageStatus::Ok);
    ASSERT_EQ(straight.layouts.size(), 4u);
    EXPECT_EQ(straight.skew, 0);
    for (const double degrees : {-3.0, 2.0}) {
        SCOPED_TRACE(degrees);
        const cv::Point2f centre(page.cols / 2.0f, page.rows / 2.0f);
        const cv::Mat turn = cv::getRotationMatrix2D(centre, degrees, 1);
        cv::Mat tilted;
        cv::warpAffine(page, tilted, turn, page.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, 255);
        PageBlocks found;
        ASSERT_EQ(cutPage(tilted, {}, PageOptions{1, true}, found), PageStatus::Ok);
        EXPECT_NEAR(found.skew, degrees, 0.15);
        ASSERT_EQ(found.layouts.size(), straight.layouts.size());
        for (std::size_t k = 0; k < found.layouts.size(); ++k) {
            const Outline& outline = found.layouts[k].outline;
            const cv::Rect& b = straight.layouts[k].box;
            const std::vector<cv::Point2f> corners = {
                cv::Point2f(b.x, b.y), cv::Point2f(b.x + b.width, b.y),
                cv::Point2f(b.x + b.width, b.y + b.height), cv::Point2f(b.x, b.y + b.height)};
            std::vector<cv::Point2f> turned;
            cv::transform(corners, turned, turn);
            for (std::size_t c = 0; c < 4; ++c)
                EXPECT_LT(cv::norm(cv::Point2f(outline[c]) - turned[c]), 12) << k << " " << c;
        }
        // --skew=0 keeps the page as it is: its rows are no longer blank.
        PageBlocks kept;
        ASSERT_EQ(cutPage(tilted, {}, PageOptions{1, true, 0.0}, kept), PageStatus::Ok);
        EXPECT_EQ(kept.skew, 0);
        EXPECT_NE(kept.blocks, found.blocks);
    }
    PageBlocks refused;
    EXPECT_EQ(cutPage(page, {}, PageOptions{1, true, 46.0}, refused), PageStatus::BadSkew);
}

} // namespace
} // namespace pagecut
