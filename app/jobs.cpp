// SPDX-License-Identifier: Apache-2.0
#include "app/jobs.h"

#include <cerrno>
#include <exception>
#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <unistd.h>
#include <utility>

#include "app/captured_streams.h"
#include "app/command_line.h"
#include "app/pipeline.h"
#include "core/table_logic.h"

namespace pagecut {

namespace {

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

int runJob(const std::string& programName, const std::string& line, std::string& printed) {
    std::vector<std::string> words;
    const std::string fault = splitJobLine(line, words);
    if (!fault.empty()) {
        printed = fault;
        return kExitBadOption;
    }
    CapturedStreams captured;
    const int code = runCommandLine(programName, words, true);
    printed = captured.text();
    return code;
}

} // namespace

int runCommandLine(const std::string& programName, const std::vector<std::string>& words,
                   bool inJob) {
    try {
        TABLE_LOGIC = 1;
        CommandLineArgs args;
        const int parsed = parseCommandLine(programName, words, args);
        if (parsed != 0 || args.answered)
            return parsed;
        if (args.options.serve) {
            if (!inJob)
                return serveStandardStreams(programName);
            writeMessage(std::cerr, "Option --serve cannot be given in a job.");
            printUsage(programName, true);
            return kExitBadOption;
        }
        return runPagePipeline(args);
    } catch (const std::exception& error) {
        writeMessage(std::cerr, std::string("Internal error: ") + error.what());
    } catch (...) {
        writeMessage(std::cerr, "Internal error");
    }
    return kExitInternalError;
}

JobLineRead readJobLine(std::streambuf& in, std::string& line) {
    line.clear();
    bool tooLong = false;
    for (;;) {
        const int c = in.sbumpc();
        if (c == std::char_traits<char>::eof())
            return line.empty() && !tooLong ? JobLineRead::End : JobLineRead::Cut;
        if (c == '\n')
            return tooLong ? JobLineRead::TooLong : JobLineRead::Line;
        if (line.size() < kMaxJobLine)
            line.push_back(static_cast<char>(c));
        else
            tooLong = true;
    }
}

std::string splitJobLine(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::string text = line;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (text.empty())
        return "Empty job line.";
    if (text.find('\0') != std::string::npos)
        return "Job line holds a NUL byte.";
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = text.find('\t', start);
        words.push_back(text.substr(start, tab - start));
        if (tab == std::string::npos)
            return "";
        start = tab + 1;
    }
}

std::string statusLine(int code, const std::string& printed) {
    std::string status = std::to_string(code);
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            status += '\t';
            status += line;
            break;
        }
    }
    return status + '\n';
}

int serveJobs(const std::string& programName, std::streambuf& in, int statusFd) {
    std::string line;
    for (;;) {
        const JobLineRead read = readJobLine(in, line);
        if (read == JobLineRead::End)
            return kExitSuccess;
        int code = kExitBadOption;
        std::string printed;
        if (read == JobLineRead::Line)
            code = runJob(programName, line, printed);
        else if (read == JobLineRead::TooLong)
            printed = "Job line longer than " + std::to_string(kMaxJobLine) + " bytes.";
        else
            printed = "Job line cut short: the input ended before its line end.";
        // No one reads the answers any more: the jobs stop. This is no result
        // file that failed (code 7), but the serving itself.
        if (!writeAll(statusFd, statusLine(code, printed))) {
            writeMessage(std::cerr, "Internal error: cannot write a status line");
            return kExitInternalError;
        }
        if (read == JobLineRead::Cut)
            return kExitSuccess;
    }
}

int serveStandardStreams(const std::string& programName) {
    std::cout.flush();
    const int jobsFd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    const int statusFd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (jobsFd < 0 || statusFd < 0 || null < 0 || ::dup2(null, STDIN_FILENO) < 0 ||
        ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        writeMessage(std::cerr, "Internal error: cannot set up the job streams");
        return kExitInternalError;
    }
    ::close(null);
    __gnu_cxx::stdio_filebuf<char> jobs(jobsFd, std::ios::in);
    return serveJobs(programName, jobs, statusFd);
}

} // namespace pagecut
