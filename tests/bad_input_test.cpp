// SPDX-License-Identifier: Apache-2.0
// Bad input through the real executable: files that are not pages, odd but
// valid images, boxes at the limits, and output paths that cannot be
// written. Each case checks the exit code, the message and its stream, and
// what is (or is not) left on disk.
#include <array>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "pagecut/pagecut.h"
#include "tests/support/run_program.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

namespace fs = std::filesystem;
using test::fileExists;
using test::readFile;
using test::runPagecut;
using test::writeFile;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true; // the sanitizer runtime needs a huge address space
#else
constexpr bool kSanitized = false;
#endif

std::string usage() {
    return "\nUsage: " + test::pagecutPath() +
           " INPUT_IMAGE BB_X0 BB_Y0 BB_X1 BB_Y1 SAVE_PATH LOG_PATH [TABLE_LOGIC = 1] "
           "[SAVE_IMAGE_FLAG = 0]\n\n";
}

// The program under a shell limit (`ulimit ...`), e.g. on memory or file size.
test::ProgramResult runLimited(const std::string& limit, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"-c", limit + " && exec \"$0\" \"$@\"", test::pagecutPath()};
    all.insert(all.end(), args.begin(), args.end());
    return test::runProgram("/bin/sh", all);
}

// The result file as the program writes it for `grey` with the whole page as box.
std::string expectedResult(const cv::Mat& grey) {
    PageBlocks blocks;
    EXPECT_EQ(cutPage(grey, PageBox{}, PageOptions{}, blocks), PageStatus::Ok);
    std::string text;
    for (const cv::Rect& r : blocks.blocks)
        text += std::to_string(r.x) + ' ' + std::to_string(r.y) + ' ' + std::to_string(r.width) +
                ' ' + std::to_string(r.height) + '\n';
    return text;
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xffffffffu;
    for (const unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string bigEndian(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// A well-formed PNG header for a greyscale image of `side` x `side` pixels,
// with no pixel data after it.
std::string pngHeaderOnly(std::uint32_t side) {
    const std::string ihdr =
        "IHDR" + bigEndian(side) + bigEndian(side) + std::string("\x08\0\0\0\0", 5);
    const std::string iend = "IEND";
    return "\x89PNG\r\n\x1a\n" + bigEndian(13) + ihdr + bigEndian(crc32(ihdr)) + bigEndian(0) +
           iend + bigEndian(crc32(iend));
}

constexpr int kWatchdogSeconds = 30;

struct Watched {
    int status = 0;      // as waitpid gives it
    bool killed = false; // still running after kWatchdogSeconds, and killed
    std::string stdErr;
};

// Runs pagecut with its standard output on `outFd` (or /dev/null when -1)
// and SIGPIPE at its default, killing it if it has not ended after
// kWatchdogSeconds: a hang fails the test instead of stalling the suite.
Watched runWatched(std::vector<std::string> args, int outFd) {
    Watched result;
    int err[2];
    if (::pipe(err) != 0)
        return result;
    args.insert(args.begin(), test::pagecutPath());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        ::dup2(outFd >= 0 ? outFd : ::open("/dev/null", O_WRONLY), STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(err[0]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (outFd >= 0)
        ::close(outFd);
    ::close(err[1]);
    for (int waited = 0; ::waitpid(pid, &result.status, WNOHANG) == 0; ++waited) {
        if (waited == kWatchdogSeconds * 20) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &result.status, 0);
            result.killed = true;
            break;
        }
        ::usleep(50000);
    }
    char buffer[512];
    for (ssize_t n; (n = ::read(err[0], buffer, sizeof buffer)) > 0;)
        result.stdErr.append(buffer, static_cast<std::size_t>(n));
    ::close(err[0]);
    return result;
}

class BadInput : public ::testing::Test {
  protected:
    void SetUp() override {
        page = pagegen::blankPage(60, 40);
        page(cv::Rect(5, 5, 30, 8)).setTo(0);
        page(cv::Rect(5, 20, 40, 12)).setTo(90);
        ASSERT_TRUE(cv::imwrite(image, page));
    }
    std::vector<std::string> args(const std::string& input, const std::string& log,
                                  const std::string& save = "") {
        return {input, "0", "0", "0", "0", save.empty() ? dir.path() : save, log, "1", "1"};
    }
    std::size_t filesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path()), {}));
    }
    test::TempDir dir;
    std::string image = dir.path() + "page.png";
    std::string log = dir.path() + "result.txt";
    cv::Mat page;
};

TEST_F(BadInput, UnreadableInputIsCode5OnStandardOutputAndWritesNothing) {
    const std::string png = readFile(image);
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", page, jpeg));
    std::string badJpeg(jpeg.begin(), jpeg.end());
    const std::size_t frameHeader = badJpeg.find("\xff\xc0");
    ASSERT_NE(frameHeader, std::string::npos);
    badJpeg.replace(frameHeader + 5, 2, std::string(2, '\0')); // zero lines
    fs::create_directory(dir.path() + "folder.png");
    const struct {
        std::string name;
        std::optional<std::string> content; // nothing: not written
    } cases[] = {
        {"missing.png", std::nullopt},
        {"folder.png", std::nullopt},
        {"folder.png/", std::nullopt},
        {"empty.png", ""},
        {"truncated.png", png.substr(0, png.size() / 2)},
        {"corrupt.jpg", badJpeg},
        {"text.png", "this is a text file, not an image\n"},
        // Far beyond the reader's pixel limit: refused from the header alone.
        {"bomb.png", pngHeaderOnly(100000)},
    };
    for (const auto& [name, content] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.path() + name;
        if (content)
            writeFile(path, *content);
        const std::size_t before = filesInDir();
        // Under a 1 GiB address-space limit, so that a reader trying to allocate the
        // declared 10 GB page could not take the machine with it.
        const test::ProgramResult r = kSanitized ? runPagecut(args(path, log))
                                                 : runLimited("ulimit -v 1048576", args(path, log));
        EXPECT_EQ(r.exitCode, 5);
        EXPECT_EQ(r.stdOut, "\nCould not open or find INPUT_IMAGE " + path + "\n");
        EXPECT_EQ(r.stdErr, usage());
        EXPECT_EQ(filesInDir(), before);
    }
}

TEST_F(BadInput, OddButValidImagesAreReadAsTheirGreyPage) {
    // 16-bit grey: the high byte counts. Colour with alpha: the colour counts,
    // the alpha does not (a transparent black pixel is ink).
    cv::Mat deep(40, 60, CV_16UC1, cv::Scalar(65535));
    deep(cv::Rect(10, 10, 20, 5)).setTo(257 * 40);
    cv::Mat deepGrey = pagegen::blankPage(60, 40);
    deepGrey(cv::Rect(10, 10, 20, 5)).setTo(40);
    cv::Mat alpha(40, 60, CV_8UC4, cv::Scalar(255, 255, 255, 255));
    alpha(cv::Rect(4, 4, 20, 6)).setTo(cv::Scalar(0, 0, 0, 255));
    alpha(cv::Rect(4, 20, 30, 6)).setTo(cv::Scalar(0, 0, 0, 0));
    alpha(cv::Rect(40, 4, 10, 30)).setTo(cv::Scalar(255, 255, 255, 0));
    cv::Mat alphaGrey = pagegen::blankPage(60, 40);
    alphaGrey(cv::Rect(4, 4, 20, 6)).setTo(0);
    alphaGrey(cv::Rect(4, 20, 30, 6)).setTo(0);
    cv::Mat tall = pagegen::blankPage(1, 3000);
    for (int y = 100; y < 2900; y += 400)
        tall(cv::Rect(0, y, 1, 150)).setTo(0);
    const std::vector<std::array<cv::Mat, 2>> cases = {
        {deep, deepGrey},
        {alpha, alphaGrey},
        {pagegen::blankPage(1, 1), pagegen::blankPage(1, 1)},
        {cv::Mat(1, 1, CV_8UC1, cv::Scalar(0)), cv::Mat(1, 1, CV_8UC1, cv::Scalar(0))},
        {tall, tall}};
    for (const auto& [file, grey] : cases) {
        SCOPED_TRACE(std::to_string(file.cols) + " x " + std::to_string(file.rows) + " type " +
                     std::to_string(file.type()));
        ASSERT_TRUE(cv::imwrite(image, file));
        const test::ProgramResult r = runPagecut({image, "0", "0", "0", "0", dir.path(), log});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.stdOut + r.stdErr, "");
        EXPECT_EQ(readFile(log), expectedResult(grey));
        EXPECT_NE(readFile(log), "");
    }
}

TEST_F(BadInput, CoordinatesAtTheLimitsOfTheInt32RangeAndOfThePage) {
    const std::string big = "2147483647", tooBig = "2147483648";
    const std::string outside =
        "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 exceed the size of INPUT_IMAGE.";
    const struct {
        std::array<std::string, 4> box;
        int code;
    } cases[] = {
        {{big, "0", "59", "39"}, 6},  {{"0", big, "59", "39"}, 6}, {{"0", "0", big, "39"}, 6},
        {{"0", "0", "59", big}, 6},   {{"0", "0", "60", "39"}, 6}, {{"0", "0", "59", "40"}, 6},
        {{"0", "0", "0", tooBig}, 2}, {{"0", "0", "59", "39"}, 0}, {{"58", "38", "59", "39"}, 0},
    };
    for (const auto& c : cases) {
        const auto& b = c.box;
        SCOPED_TRACE(b[0] + " " + b[1] + " " + b[2] + " " + b[3]);
        const test::ProgramResult r = runPagecut({image, b[0], b[1], b[2], b[3], dir.path(), log});
        EXPECT_EQ(r.exitCode, c.code);
        const std::string message =
            c.code == 6 ? "\n" + outside + "\n"
                        : "\nBox coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got " +
                              tooBig + " instead.\n";
        // Box faults go to the standard output, number faults to the error stream.
        if (c.code != 0) {
            EXPECT_EQ(r.stdOut, c.code == 6 ? message : "");
            EXPECT_EQ(r.stdErr, (c.code == 2 ? message : "") + usage());
        }
        EXPECT_EQ(fileExists(log), c.code == 0);
        fs::remove(log);
    }
}

TEST_F(BadInput, ResultFileThatCannotBeWrittenIsCode7AndNoImageIsAttempted) {
    writeFile(dir.path() + "file.txt", "a regular file\n");
    fs::create_directory(dir.path() + "folder");
    for (const std::string& path :
         {dir.path() + "missing/result.txt", dir.path() + "file.txt/result.txt",
          std::string("/proc/pagecut-result.txt"), dir.path() + "folder",
          std::string("/dev/full")}) {
        SCOPED_TRACE(path);
        const test::ProgramResult r = runPagecut(args(image, path));
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_EQ(r.stdOut + "|" + r.stdErr, "|\nCould not write result file " + path + "\n");
        EXPECT_FALSE(fileExists(dir.path() + "res_page.png"));
    }
    EXPECT_TRUE(fs::is_directory(dir.path() + "folder"));
    EXPECT_EQ(readFile(dir.path() + "file.txt"), "a regular file\n");
    // The default result file under an unusable save prefix fails the same way.
    const std::string prefix = dir.path() + "file.txt/";
    const test::ProgramResult r = runPagecut(args(image, "", prefix));
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.stdErr, "\nCould not write result file " + prefix + "res_page.png.txt\n");
}

TEST_F(BadInput, ResultFileOverTheFileSizeLimitIsCode7AndLeavesTheEarlierResult) {
    const std::string earlier = "an earlier, complete result\n";
    for (const bool rerun : {false, true}) {
        SCOPED_TRACE(rerun ? "rerun" : "first run");
        if (rerun)
            writeFile(log, earlier);
        // Writing past the limit raises SIGXFSZ, which must not end the program.
        const test::ProgramResult r = runLimited("ulimit -f 0", args(image, log));
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_EQ(r.stdErr, "\nCould not write result file " + log + "\n");
        EXPECT_EQ(readFile(log), rerun ? earlier : "");
        EXPECT_EQ(fileExists(log), rerun);
        EXPECT_FALSE(fileExists(dir.path() + "res_page.png"));
        EXPECT_EQ(filesInDir(), rerun ? 2u : 1u); // no half-written file under another name
    }
}

TEST_F(BadInput, AnnotatedImageThatCannotBeWrittenIsCode8AfterACompleteResultFile) {
    writeFile(dir.path() + "file.txt", "");
    for (const std::string& prefix : {dir.path() + "file.txt/", std::string("/proc/pagecut-")}) {
        SCOPED_TRACE(prefix);
        const test::ProgramResult r = runPagecut(args(image, log, prefix));
        EXPECT_EQ(r.exitCode, 8);
        EXPECT_EQ(r.stdOut + "|" + r.stdErr,
                  "|\nCould not write annotated image " + prefix + "res_page.png\n");
        EXPECT_EQ(readFile(log), expectedResult(page));
    }
}

TEST_F(BadInput, ResultToStandardOutputAndIntoAPipeClosedByItsReader) {
    const test::ProgramResult r =
        runPagecut({image, "0", "0", "0", "0", dir.path(), "/dev/stdout"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stdOut, expectedResult(page));
    EXPECT_EQ(r.stdErr, "");

    // Standard output is a pipe whose read end is already closed.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    ::close(out[0]);
    const Watched w = runWatched({image, "0", "0", "0", "0", dir.path(), "/dev/stdout"}, out[1]);
    EXPECT_FALSE(WIFSIGNALED(w.status)) << "signal " << WTERMSIG(w.status);
    EXPECT_TRUE(WIFEXITED(w.status) && WEXITSTATUS(w.status) == 7);
    EXPECT_EQ(w.stdErr, "\nCould not write result file /dev/stdout\n");
}

TEST_F(BadInput, InputFromANamedPipeIsReadOrRefusedButNeverWaitedOnForever) {
    const std::string fifo = dir.path() + "pipe.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string png = readFile(image);
    std::thread writer([&] { writeFile(fifo, png); }); // waits for the reader
    const Watched w = runWatched({fifo, "0", "0", "0", "0", dir.path(), log}, -1);
    ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK)); // frees a writer never read
    writer.join();
    ASSERT_FALSE(w.killed) << "still waiting on the pipe after " << kWatchdogSeconds << " s";
    ASSERT_TRUE(WIFEXITED(w.status));
    if (WEXITSTATUS(w.status) == 0)
        EXPECT_EQ(readFile(log), expectedResult(page));
    else
        EXPECT_EQ(WEXITSTATUS(w.status), 5);
}

TEST_F(BadInput, PathsWithSpacesAndNonAsciiCharactersAndTheDefaultResultPath) {
    const std::string in = dir.path() + "scans ü/página 1.png";
    const std::string save = dir.path() + "out dir é/r ";
    fs::create_directory(dir.path() + "scans ü");
    fs::create_directory(dir.path() + "out dir é");
    fs::copy_file(image, in);
    const test::ProgramResult r = runPagecut(args(in, "", save));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stdOut + r.stdErr, "");
    EXPECT_EQ(readFile(save + "res_página 1.png.txt"), expectedResult(page));
    EXPECT_EQ(cv::imread(save + "res_página 1.png").size(), page.size());
}

TEST_F(BadInput, InputWithoutExtensionGetsItsAnnotatedImageAsPng) {
    // A dot in a folder of the save prefix is not the file's extension.
    for (const std::string folder : {"plain/", "v1.jpg/"}) {
        SCOPED_TRACE(folder);
        fs::create_directory(dir.path() + folder);
        const std::string in = dir.path() + folder + "scan";
        fs::copy_file(image, in);
        const test::ProgramResult r = runPagecut(args(in, "", dir.path() + folder));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(readFile(dir.path() + folder + "res_scan.txt"), expectedResult(page));
        EXPECT_FALSE(fileExists(dir.path() + folder + "res_scan"));
        const std::string png = readFile(dir.path() + folder + "res_scan.png");
        EXPECT_EQ(png.substr(0, 4), "\x89PNG");
    }
}

} // namespace
} // namespace pagecut
