// SPDX-License-Identifier: Apache-2.0
// The page pipeline: the working page, and the two output files as the real
// executable writes them.
#include "segment/page_passes.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "tests/support/run_program.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

using test::fileExists;
using test::readFile;
using test::runPagecut;

TEST(PrepareWorkingPage, EveryPixelButPureWhiteIsInkAndOnlyTheBoxIsKept) {
    const cv::Mat grey = (cv::Mat_<std::uint8_t>(2, 3) << 255, 254, 0, 128, 255, 1);
    const cv::Mat page = prepareWorkingPage(grey, {0, 0, 0, 0});
    ASSERT_EQ(page.type(), CV_8UC1);
    const cv::Mat expected = (cv::Mat_<std::uint8_t>(2, 3) << 0, 1, 1, 1, 0, 1);
    EXPECT_EQ(cv::countNonZero(page != expected), 0);

    // The box blanks everything outside it; its right and bottom ends are exclusive.
    const cv::Mat black = cv::Mat::zeros(8, 10, CV_8UC1);
    const cv::Mat boxed = prepareWorkingPage(black, {2, 1, 5, 4});
    ASSERT_EQ(boxed.size(), black.size());
    EXPECT_EQ(cv::sum(boxed)[0], 9);
    EXPECT_EQ(cv::sum(boxed(cv::Rect(2, 1, 3, 3)))[0], 9);
    // The largest box the command line allows leaves the last row and column out.
    EXPECT_EQ(cv::sum(prepareWorkingPage(black, {0, 0, 9, 7}))[0], 63);
    EXPECT_EQ(cv::sum(prepareWorkingPage(black, {0, 0, 0, 0}))[0], 80);
}

// A 240 x 200 page: a heading over two columns of text, and a grey patch
// below the box that the whole-program runs use.
class PipelineRun : public ::testing::Test {
  protected:
    void SetUp() override {
        pagegen::TextStyle style;
        style.scale = 0.4;
        grey = pagegen::blankPage(240, 200);
        pagegen::drawTextLine(grey, "the heading", {10, 8}, style);
        pagegen::drawParagraph(grey, cv::Rect(10, 40, 100, 120), 6, 1, style);
        pagegen::drawParagraph(grey, cv::Rect(135, 40, 100, 120), 6, 2, style);
        grey(cv::Rect(5, 180, 20, 15)).setTo(128);
        ASSERT_TRUE(cv::imwrite(image, grey));
        cv::Mat page = prepareWorkingPage(grey, {0, 0, 239, 170});
        for (const Region& r : segmentWorkingPage(page).merged)
            expected += std::to_string(r.rect.x) + ' ' + std::to_string(r.rect.y) + ' ' +
                        std::to_string(r.rect.width) + ' ' + std::to_string(r.rect.height) + '\n';
    }
    test::ProgramResult run(const std::string& save, const std::string& log,
                            std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {image, "0", "0", "239", "170", save, log};
        args.insert(args.end(), extra.begin(), extra.end());
        return runPagecut(args);
    }
    test::TempDir dir;
    std::string image = dir.path() + "p1.png";
    cv::Mat grey;
    std::string expected;
};

TEST_F(PipelineRun, ResultFileGoesToLogPathOrBesideTheSavePrefix) {
    ASSERT_NE(expected, "");
    const test::ProgramResult r = run(dir.path() + "out_", dir.path() + "blocks.txt");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stdOut + r.stdErr, "");
    EXPECT_EQ(readFile(dir.path() + "blocks.txt"), expected);
    EXPECT_FALSE(fileExists(dir.path() + "out_res_p1.png.txt"));
    EXPECT_FALSE(fileExists(dir.path() + "out_res_p1.png"));

    EXPECT_EQ(run(dir.path() + "out_", "", {"2", "0"}).exitCode, 0);
    EXPECT_EQ(readFile(dir.path() + "out_res_p1.png.txt"), expected);
    EXPECT_FALSE(fileExists(dir.path() + "out_res_p1.png"));
}

TEST_F(PipelineRun, AnnotatedImageIsTheWholeGreyPageInColourWithBlueAndCyanOutlines) {
    ASSERT_EQ(run(dir.path(), dir.path() + "blocks.txt", {"1", "1"}).exitCode, 0);
    EXPECT_EQ(readFile(dir.path() + "blocks.txt"), expected);
    const cv::Mat drawn = cv::imread(dir.path() + "res_p1.png", cv::IMREAD_UNCHANGED);
    ASSERT_EQ(drawn.type(), CV_8UC3);
    ASSERT_EQ(drawn.size(), grey.size());
    // Every pixel is the grey page as read (the patch outside the box
    // included), or blue or cyan ink.
    cv::Mat asRead, same, blue, cyan;
    cv::cvtColor(grey, asRead, cv::COLOR_GRAY2BGR);
    cv::inRange(asRead, drawn, drawn, same);
    cv::inRange(drawn, cv::Scalar(255, 0, 0), cv::Scalar(255, 0, 0), blue);
    cv::inRange(drawn, cv::Scalar(255, 255, 0), cv::Scalar(255, 255, 0), cyan);
    EXPECT_GT(cv::countNonZero(blue), 0);
    EXPECT_GT(cv::countNonZero(cyan), 0);
    EXPECT_EQ(cv::countNonZero(~(same | blue | cyan)), 0);
}

TEST_F(PipelineRun, NameWithoutAWritableExtensionGivesAPngBesideIt) {
    std::rename(image.c_str(), (dir.path() + "scan").c_str());
    image = dir.path() + "scan";
    ASSERT_EQ(run(dir.path(), "", {"1", "1"}).exitCode, 0);
    EXPECT_EQ(readFile(dir.path() + "res_scan.txt"), expected);
    EXPECT_FALSE(fileExists(dir.path() + "res_scan"));
    EXPECT_EQ(cv::imread(dir.path() + "res_scan.png").size(), grey.size());
}

TEST_F(PipelineRun, UnwritableOutputFilesAreReportedInTheOrderTheyAreWritten) {
    // No result file: the image is not attempted.
    const std::string log = dir.path() + "missing/blocks.txt";
    test::ProgramResult r = run(dir.path(), log, {"1", "1"});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.stdOut + "|" + r.stdErr, "|\nCould not write result file " + log + "\n");
    EXPECT_FALSE(fileExists(dir.path() + "res_p1.png"));
    // No image: the result file is already complete.
    r = run(dir.path() + "missing/", dir.path() + "blocks.txt", {"1", "1"});
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_EQ(r.stdOut + "|" + r.stdErr,
              "|\nCould not write annotated image " + dir.path() + "missing/res_p1.png\n");
    EXPECT_EQ(readFile(dir.path() + "blocks.txt"), expected);
}

TEST_F(PipelineRun, ExistingResultFileIsReplacedAndABlankPageIsOneBlock) {
    ASSERT_TRUE(cv::imwrite(image, pagegen::blankPage(50, 40)));
    test::writeFile(dir.path() + "blocks.txt", "an older and much longer result file\n");
    const test::ProgramResult r =
        runPagecut({image, "0", "0", "0", "0", dir.path(), dir.path() + "blocks.txt"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(readFile(dir.path() + "blocks.txt"), "0 0 50 40\n");
}

TEST_F(PipelineRun, CorruptPngIsUnreadableAndTheCodecStaysQuiet) {
    const std::string png = readFile(image);
    for (const std::size_t keep : {png.size() / 2, std::size_t{40}}) {
        test::writeFile(image, png.substr(0, keep));
        const test::ProgramResult r = run(dir.path(), dir.path() + "blocks.txt");
        EXPECT_EQ(r.exitCode, 5) << keep;
        EXPECT_EQ(r.stdOut, "\nCould not open or find INPUT_IMAGE " + image + "\n");
        // Only the usage line: nothing from the codec.
        EXPECT_EQ(r.stdErr, "\nUsage: " + test::pagecutPath() +
                                " INPUT_IMAGE BB_X0 BB_Y0 BB_X1 BB_Y1 SAVE_PATH LOG_PATH "
                                "[TABLE_LOGIC = 1] [SAVE_IMAGE_FLAG = 0]\n\n");
    }
}

} // namespace
} // namespace pagecut
