// SPDX-License-Identifier: Apache-2.0
// Files that appear whole or not at all: what replaces a regular file and
// what is written in place, and result files and annotated images whose
// writing is killed or fails half-way, leaving the earlier file byte for byte.
#include "formats/atomic_file.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include "formats/image_io.h"
#include "formats/result_formats.h"
#include "tests/support/run_program.h"

namespace pagecut {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFile, RegularFilesAreReplacedWholeAndOtherFilesWrittenInPlace) {
    test::TempDir dir;
    const std::string file = dir.path() + "result.txt";
    ASSERT_TRUE(writeFileAtomically(file, "first\n"));
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_TRUE(writeFileAtomically(file, "second\n"));
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(test::readFile(file), "second\n");
    EXPECT_NE(after.st_ino, before.st_ino); // a new file took the name
    EXPECT_EQ(after.st_mode & 0777, 0600u); // with the old one's permissions

    // A link keeps pointing at the file it names, which is replaced.
    fs::create_symlink("result.txt", dir.path() + "link.txt");
    ASSERT_TRUE(writeFileAtomically(dir.path() + "link.txt", "third\n"));
    EXPECT_TRUE(fs::is_symlink(dir.path() + "link.txt"));
    EXPECT_EQ(test::readFile(file), "third\n");

    // A named pipe cannot be replaced: it is written in place.
    const std::string pipe = dir.path() + "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(writeFileAtomically(pipe, "through the pipe\n"));
    char buffer[64] = {};
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(::read(reader, buffer, sizeof buffer))),
              "through the pipe\n");
    ::close(reader);

    // Neither can a folder, nor a file in a missing one.
    fs::create_directory(dir.path() + "folder");
    EXPECT_FALSE(writeFileAtomically(dir.path() + "folder", "x"));
    EXPECT_FALSE(writeFileAtomically(dir.path() + "missing/result.txt", "x"));
    EXPECT_TRUE(fs::is_empty(dir.path() + "folder"));
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"folder", "link.txt", "pipe", "result.txt"}));
}

// Runs `write` in a child process whose files may not grow past 4 KiB. Past
// the limit the child is killed by SIGXFSZ in mid-write (`killed`), or its
// write fails (the signal ignored, as the program ignores it). Returns the
// wait status.
int writeUnderSizeLimit(const std::function<bool()>& write, bool killed) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(write() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(AtomicFile, WritesKilledOrFailedHalfWayLeaveTheEarlierFileByteForByte) {
    ResultPage page{"page.png", 4000, 4000, {}};
    for (int k = 0; k < 2000; ++k)
        page.blocks.emplace_back(k, 2 * k, 1000 + k, 1500 + k); // some 40 kB of lines
    cv::Mat noise(300, 300, CV_8UC3);                           // a PNG of some 270 kB
    cv::randu(noise, 0, 256);
    struct Writer {
        const char* name;
        std::function<bool(const std::string&)> write;
    };
    const std::vector<Writer> writers = {
        {"result.page.xml",
         [&](const std::string& path) { return writeResultFile(path, ResultFormat::Page, page); }},
        {"result.txt",
         [&](const std::string& path) { return writeResultFile(path, ResultFormat::Txt, page); }},
        {"res_page.png",
         [&](const std::string& path) {
             std::string named = path;
             return writeImage(named, noise);
         }},
    };
    for (const Writer& writer : writers) {
        for (const bool killed : {true, false}) {
            SCOPED_TRACE(std::string(writer.name) + (killed ? " killed" : " failed"));
            test::TempDir dir;
            const std::string path = dir.path() + writer.name;
            const std::string earlier = "an earlier, complete file\n";
            test::writeFile(path, earlier);
            const int status = writeUnderSizeLimit([&] { return writer.write(path); }, killed);
            if (killed)
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
            else
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
            EXPECT_EQ(test::readFile(path), earlier);
            EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{writer.name});
            // Without the limit the same write replaces it.
            EXPECT_TRUE(writer.write(path));
            EXPECT_GT(fs::file_size(path), 4096u);
        }
    }
}

} // namespace
} // namespace pagecut
