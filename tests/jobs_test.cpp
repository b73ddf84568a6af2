// SPDX-License-Identifier: Apache-2.0
// The job stream of pagecut --serve: reading and splitting job lines, status
// lines, and the real executable answering a stream of good and bad jobs with
// the results of single runs.
#include "app/jobs.h"

#include <csignal>
#include <filesystem>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "core/table_logic.h"
#include "tests/support/run_program.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

TEST(JobLines, ReadLineByLineAndReportOverLongAndCutLines) {
    const std::string longLine(kMaxJobLine + 1, 'x');
    std::stringbuf in("a\tb\n\n" + longLine + "\n" + std::string(kMaxJobLine, 'y') + "\ncut");
    std::string line;
    EXPECT_EQ(readJobLine(in, line), JobLineRead::Line);
    EXPECT_EQ(line, "a\tb");
    EXPECT_EQ(readJobLine(in, line), JobLineRead::Line);
    EXPECT_EQ(line, "");
    EXPECT_EQ(readJobLine(in, line), JobLineRead::TooLong);
    EXPECT_EQ(readJobLine(in, line), JobLineRead::Line); // exactly the limit
    EXPECT_EQ(line.size(), kMaxJobLine);
    EXPECT_EQ(readJobLine(in, line), JobLineRead::Cut);
    EXPECT_EQ(readJobLine(in, line), JobLineRead::End);
}

TEST(JobLines, TabsSeparateWordsTakenByteForByte) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
        std::string fault;
    };
    const Case cases[] = {
        {"p.png\t0\t0\t0\t0\tout/\t", {"p.png", "0", "0", "0", "0", "out/", ""}, ""},
        {"my page.png\t\t 1 \tx\r", {"my page.png", "", " 1 ", "x"}, ""},
        {"--help", {"--help"}, ""},
        {"\t", {"", ""}, ""},
        {"", {}, "Empty job line."},
        {"\r", {}, "Empty job line."},
        {std::string("a\0b", 3), {}, "Job line holds a NUL byte."},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words;
        EXPECT_EQ(splitJobLine(c.line, words), c.fault) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
    }
}

TEST(JobLines, StatusIsTheCodeAndTheFirstLineTheRunPrinted) {
    EXPECT_EQ(statusLine(0, ""), "0\n");
    EXPECT_EQ(statusLine(5, "\nCould not open\n"), "5\tCould not open\n");
    EXPECT_EQ(statusLine(1, "\nUnknown option --x.\n\nUsage: p A B\n\n"),
              "1\tUnknown option --x.\n");
    EXPECT_EQ(statusLine(1, "Empty job line."), "1\tEmpty job line.\n");
}

TEST(JobLines, EveryCommandLineStartsFromTableLogicOne) {
    TABLE_LOGIC = 2;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCommandLine("pagecut", {"too", "few"}, true), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(TABLE_LOGIC, 1);
}

TEST(ServeMode, StatusLineThatCannotBeWrittenEndsServingAsAnInternalError) {
    int status[2];
    ASSERT_EQ(::pipe(status), 0);
    ::close(status[0]); // the reader has gone
    const auto savedHandler = std::signal(SIGPIPE, SIG_IGN);
    std::stringbuf jobs("\n\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(serveJobs("pagecut", jobs, status[1]), 9);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\nInternal error: cannot write a status line\n");
    EXPECT_EQ(jobs.in_avail(), 1); // the next job is not run
    std::signal(SIGPIPE, savedHandler);
    ::close(status[1]);
}

// The executable over one stream of jobs: each answered with the code and
// message of a single run, results byte for byte those of single runs, and a
// stream cut inside its last line ends cleanly after a status for it.
TEST(ServeMode, AnswersEachJobAsASingleRunWouldAndGoesOn) {
    test::TempDir dir;
    const std::string page = dir.path() + "my page.png";
    ASSERT_TRUE(cv::imwrite(page, pagegen::samplePage()));
    const std::string single = dir.path() + "single/", served = dir.path() + "served dir/";
    std::filesystem::create_directories(single);
    std::filesystem::create_directories(served);
    test::writeFile(dir.path() + "file", "");

    struct Job {
        std::vector<std::string> words; // the job; a single run gets the same words
        std::string status;
    };
    const std::string missing = dir.path() + "missing.png";
    const std::vector<Job> jobs = {
        {{page, "0", "0", "0", "0", "@", ""}, "0"},
        {{page, "10", "20", "900", "1500", "@", "@tl2.txt", "2", "1"}, "0"},
        {{page, "0", "0", "0", "0", "@", "@tl1.txt"}, "0"}, // TABLE_LOGIC back to 1
        {{missing, "0", "0", "0", "0", "@", ""},
         "5\tCould not open or find INPUT_IMAGE " + missing},
        {{page, "0", "x", "0", "0", "@", ""},
         "2\tBox coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got x instead."},
        {{page, "0", "0", "5000", "1", "@", ""},
         "6\tBox coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 exceed the size of INPUT_IMAGE."},
        {{page, "0", "0", "0", "0", "@", dir.path() + "none/r.txt"},
         "7\tCould not write result file " + dir.path() + "none/r.txt"},
        {{page, "0", "0", "0", "0", dir.path() + "file/", "@r8.txt", "1", "1"},
         "8\tCould not write annotated image " + dir.path() + "file/res_my page.png"},
        {{"--frobnicate"}, "1\tUnknown option --frobnicate."},
        {{"--serve"}, "1\tOption --serve cannot be given in a job."},
        {{page, "0"},
         "1\tUsage: pagecut INPUT_IMAGE BB_X0 BB_Y0 BB_X1 BB_Y1 SAVE_PATH LOG_PATH "
         "[TABLE_LOGIC = 1] [SAVE_IMAGE_FLAG = 0]"},
    };
    // "@" stands for the run's own folder, so that each run writes its own files.
    auto words = [](std::vector<std::string> w, const std::string& folder) {
        for (std::string& word : w) {
            if (word.rfind('@', 0) == 0)
                word = folder + word.substr(1);
        }
        return w;
    };
    std::string stream, expected;
    for (const Job& job : jobs) {
        const std::vector<std::string> w = words(job.words, served);
        for (std::size_t i = 0; i < w.size(); ++i)
            stream += w[i] + (i + 1 < w.size() ? "\t" : "\n");
        expected += job.status + "\n";
        if (job.words[0] == "--serve")
            continue; // a single run serves the (empty) standard input instead
        EXPECT_EQ(test::runPagecut(words(job.words, single), "pagecut").exitCode,
                  std::stoi(job.status))
            << job.status;
    }
    stream += "\n" + std::string(kMaxJobLine + 1, 'x') + "\n" + page + "\t0";
    expected += "1\tEmpty job line.\n1\tJob line longer than 65536 bytes.\n"
                "1\tJob line cut short: the input ended before its line end.\n";
    test::writeFile(dir.path() + "jobs", stream);

    const test::ProgramResult r =
        test::runProgram(test::pagecutPath(), {"--serve"}, "pagecut", dir.path() + "jobs");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stdOut, expected);
    EXPECT_EQ(r.stdErr, "");
    for (const char* name : {"res_my page.png.txt", "res_my page.png", "tl2.txt", "tl1.txt"}) {
        SCOPED_TRACE(name);
        const std::string result = test::readFile(served + name);
        EXPECT_FALSE(result.empty());
        EXPECT_EQ(result, test::readFile(single + name));
    }
    EXPECT_NE(test::readFile(served + "tl2.txt"), test::readFile(served + "tl1.txt"));

    const test::ProgramResult extra = test::runPagecut({"--serve", page}, "pagecut");
    EXPECT_EQ(extra.exitCode, 1);
    EXPECT_EQ(extra.stdErr.find("\nOption --serve takes no other arguments"), 0u);
}

} // namespace
} // namespace pagecut
