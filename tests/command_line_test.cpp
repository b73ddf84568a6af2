// SPDX-License-Identifier: Apache-2.0
// The command line as a user meets it: the real executable, byte for byte on
// each stream, plus the parser's record and the path split in process.
#include "app/command_line.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "core/table_logic.h"
#include "tests/support/run_program.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

using test::runPagecut;

std::string usage(const std::string& program) {
    return "\nUsage: " + program +
           " INPUT_IMAGE BB_X0 BB_Y0 BB_X1 BB_Y1 SAVE_PATH LOG_PATH [TABLE_LOGIC = 1] "
           "[SAVE_IMAGE_FLAG = 0]\n\n";
}

// A 40 x 30 page with one ink block, and the folder for the program's files.
class CommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cv::Mat page = pagegen::blankPage(40, 30);
        page(cv::Rect(5, 5, 20, 10)).setTo(0);
        ASSERT_TRUE(cv::imwrite(image, page));
    }
    std::vector<std::string> argsWith(std::vector<std::string> extra, std::string x0 = "0") {
        std::vector<std::string> args = {image, x0, "0", "0", "0", out.path(), log};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    // Argument faults go to the error stream, image faults to the output
    // stream; either way the folder keeps only the input image.
    void expectRefused(const test::ProgramResult& r, int code, const std::string& message) {
        const bool imageFault = code >= 5;
        EXPECT_EQ(r.exitCode, code);
        EXPECT_EQ(r.stdOut, imageFault ? "\n" + message + "\n" : "");
        EXPECT_EQ(r.stdErr, (imageFault ? "" : "\n" + message + "\n") + usage(test::pagecutPath()));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 1);
    }
    test::TempDir out;
    std::string image = out.path() + "page.png";
    std::string log = out.path() + "result.txt";
};

TEST_F(CommandLineTest, FewerThanSevenArgumentsPrintOnlyTheUsageUnderTheGivenName) {
    const test::ProgramResult r = runPagecut({image, "0", "0", "0", "0", out.path()}, "./my pc");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.stdOut, "");
    EXPECT_EQ(r.stdErr, usage("./my pc"));
    EXPECT_EQ(runPagecut({}).stdErr, usage(test::pagecutPath()));
}

TEST_F(CommandLineTest, CoordinateThatIsNotAnUnsignedInt32IsQuotedBack) {
    for (const std::string bad : {"-5", "+5", "5.0", " 5", "", "2147483648", "99999999999"}) {
        SCOPED_TRACE("BB_X0 '" + bad + "'");
        expectRefused(runPagecut(argsWith({}, bad)), 2,
                      "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got " + bad +
                          " instead.");
    }
}

TEST_F(CommandLineTest, FirstFaultInArgumentOrderIsTheOneReported) {
    // Bad BB_Y0 and BB_Y1, bad TABLE_LOGIC and flag, and a missing image.
    expectRefused(
        runPagecut({out.path() + "none.png", "1", "y0", "2", "y1", out.path(), log, "9", "no"}), 2,
        "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got y0 instead.");
    expectRefused(
        runPagecut({out.path() + "none.png", "1", "1", "2", "2", out.path(), log, "9", "no"}), 3,
        "TABLE_LOGIC should be an int in (1, 2). Got 9 instead.");
}

TEST_F(CommandLineTest, TableLogicOutsideOneToTwoIsRefused) {
    for (const std::string bad : {"0", "3", "-1", "", "4294967297"}) {
        SCOPED_TRACE("TABLE_LOGIC '" + bad + "'");
        expectRefused(runPagecut(argsWith({bad})), 3,
                      "TABLE_LOGIC should be an int in (1, 2). Got " + bad + " instead.");
    }
    for (const std::string good : {"1", "2", "01", "0000000000000000002"})
        EXPECT_EQ(runPagecut(argsWith({good})).exitCode, 0) << good;
}

TEST_F(CommandLineTest, SaveImageFlagMustBeDigitsAndAnyNonZeroValueAsksForTheImage) {
    for (const std::string bad : {"yes", "-1", "", "2147483648"}) {
        SCOPED_TRACE("SAVE_IMAGE_FLAG '" + bad + "'");
        expectRefused(runPagecut(argsWith({"1", bad})), 4,
                      "SAVE_IMAGE_FLAG should be a bool [0/1]. Got " + bad + " instead.");
    }
    EXPECT_EQ(runPagecut(argsWith({"1", "0"})).exitCode, 0);
    EXPECT_FALSE(test::fileExists(out.path() + "res_page.png"));
    // Arguments after the ninth are ignored, whatever they hold.
    EXPECT_EQ(runPagecut(argsWith({"1", "7", "junk"})).exitCode, 0);
    EXPECT_TRUE(test::fileExists(out.path() + "res_page.png"));
}

TEST_F(CommandLineTest, UnreadableImageIsReportedOnStandardOutput) {
    const std::string missing = out.path() + "missing.png";
    expectRefused(runPagecut({missing, "0", "0", "0", "0", out.path(), log}), 5,
                  "Could not open or find INPUT_IMAGE " + missing);
    test::writeFile(image, "not an image at all");
    expectRefused(runPagecut(argsWith({})), 5, "Could not open or find INPUT_IMAGE " + image);
}

TEST_F(CommandLineTest, BoxMustLieInsideTheImageWithExclusiveEndsAndPositiveSize) {
    const std::vector<std::vector<std::string>> refused = {
        {"0", "0", "40", "10"},  {"0", "0", "10", "30"}, {"10", "5", "5", "20"},
        {"10", "5", "10", "20"}, {"0", "7", "10", "7"},  {"0", "0", "2147483647", "1"}};
    for (const auto& b : refused) {
        SCOPED_TRACE(b[0] + " " + b[1] + " " + b[2] + " " + b[3]);
        expectRefused(runPagecut({image, b[0], b[1], b[2], b[3], out.path(), log}), 6,
                      "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 exceed the size of INPUT_IMAGE.");
    }
    EXPECT_EQ(runPagecut({image, "0", "0", "39", "29", out.path(), log}).exitCode, 0);
    EXPECT_EQ(runPagecut({image, "0", "0", "0", "0", out.path(), log}).exitCode, 0);
    EXPECT_EQ(runPagecut({image, "000", "0", "0039", "029", out.path(), log}).exitCode, 0);
}

TEST_F(CommandLineTest, ParsedRecordCarriesTheArgumentsUnchanged) {
    const char* argv[] = {"pc", image.c_str(), "1", "02", "30", "20", "save/", "", "2", "3"};
    TABLE_LOGIC = 1;
    CommandLineArgs args;
    ASSERT_EQ(parseCommandLine(10, argv, args), 0);
    EXPECT_EQ(args.inputDirectory + "|" + args.inputFileName, out.path() + "|page.png");
    const PageBox& b = args.box;
    EXPECT_EQ((std::vector<std::int32_t>{b.x0, b.y0, b.x1, b.y1}), (std::vector{1, 2, 30, 20}));
    EXPECT_EQ(args.savePath + "|" + args.logPath, "save/|");
    EXPECT_TRUE(args.saveImage);
    EXPECT_EQ(TABLE_LOGIC, 2);
    // Seven arguments leave the table setting alone and ask for no image.
    ASSERT_EQ(parseCommandLine(8, argv, args), 0);
    EXPECT_EQ(TABLE_LOGIC, 2);
    EXPECT_FALSE(args.saveImage);
    TABLE_LOGIC = 1;
}

TEST_F(CommandLineTest, OptionsComeFirstAndFaultsShowTheUsageThatNamesThem) {
    const std::string withOptions =
        "\nUsage: " + test::pagecutPath() + " " + optionsSynopsis() +
        " INPUT_IMAGE BB_X0 BB_Y0 BB_X1 BB_Y1 SAVE_PATH LOG_PATH [TABLE_LOGIC = 1] "
        "[SAVE_IMAGE_FLAG = 0]\n\n";
    test::ProgramResult r =
        runPagecut({"--frobnicate", image, "0", "0", "0", "0", out.path(), log});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.stdOut, "");
    EXPECT_EQ(r.stdErr, "\nUnknown option --frobnicate.\n" + withOptions);
    r = runPagecut({"--format", "pdf", image, "0", "0", "0", "0", out.path(), log});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.stdErr,
              "\n--format should be one of txt, json, page, alto, hocr. Got pdf instead.\n" +
                  withOptions);
    EXPECT_FALSE(test::fileExists(log));
    // A positional fault after options shows the same usage line.
    r = runPagecut({"--", image, "x", "0", "0", "0", out.path(), log});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.stdErr.substr(r.stdErr.find("\nUsage")), withOptions);
    // "--" lets an image whose name starts with "--" through.
    const std::string dashed = out.path() + "--page.png";
    std::filesystem::copy_file(image, dashed);
    EXPECT_EQ(runPagecut({"--", dashed, "0", "0", "0", "0", out.path(), log}).exitCode, 0);
    EXPECT_TRUE(test::fileExists(log));

    r = runPagecut({"--version", "ignored"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stdOut.rfind("pagecut ", 0), 0u);
    EXPECT_NE(r.stdOut.find("(OpenCV 4."), std::string::npos);
    r = runPagecut({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.stdOut.find(optionsDescription()), std::string::npos);
}

TEST(SplitInputPath, SplitsAtTheLastSeparatorOfEitherKind) {
    using Split = std::pair<std::string, std::string>;
    EXPECT_EQ(splitInputPath("scans/in\\p1.png"), Split("scans/in\\", "p1.png"));
    EXPECT_EQ(splitInputPath("C:\\data/x.png"), Split("C:\\data/", "x.png"));
    EXPECT_EQ(splitInputPath("p1.png"), Split("", "p1.png"));
    EXPECT_EQ(splitInputPath("dir/"), Split("dir/", ""));
    EXPECT_EQ(splitInputPath(""), Split("", ""));
}

} // namespace
} // namespace pagecut
