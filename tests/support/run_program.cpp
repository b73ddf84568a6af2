// SPDX-License-Identifier: Apache-2.0
#include "tests/support/run_program.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace pagecut::test {

namespace {

// Reads both pipes until both are closed, so that neither child stream can
// block on a full pipe.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? out : err).append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            ::close(fds[i].fd);
            fds[i].fd = -1;
            --open;
        }
    }
}

} // namespace

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& argv0, const std::string& inputPath) {
    ProgramResult result;
    int outPipe[2], errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return result;
    std::vector<std::string> argvStrings;
    argvStrings.push_back(argv0.empty() ? program : argv0);
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open(inputPath.empty() ? "/dev/null" : inputPath.c_str(), O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    drain(outPipe[0], errPipe[0], result.stdOut, result.stdErr);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

std::string pagecutPath() {
    return PAGECUT_EXECUTABLE;
}

ProgramResult runPagecut(const std::vector<std::string>& args, const std::string& argv0) {
    return runProgram(pagecutPath(), args, argv0);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pagecut-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr)
        path_ = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

} // namespace pagecut::test
