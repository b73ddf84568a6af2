// SPDX-License-Identifier: Apache-2.0
// Running the program's words: one command line, or a stream of them (one
// page job a line) in one long-lived process, each job answered with a status
// line, so that a batch pays the start of the process and its libraries once.
#pragma once

#include <cstddef>
#include <streambuf>
#include <string>
#include <vector>

namespace pagecut {

// Runs one command line (the words after the program name) as the program
// runs it: messages on std::cout and std::cerr, TABLE_LOGIC reset to 1 first.
// Returns the exit code; never throws (an exception is "Internal error: WHAT",
// code 9). `inJob` refuses --serve, which only the program's own command line
// may give; otherwise --serve runs serveStandardStreams().
int runCommandLine(const std::string& programName, const std::vector<std::string>& words,
                   bool inJob);

// A job line holds at most this many bytes before its line end: ten paths of
// the longest the system allows and then some.
constexpr std::size_t kMaxJobLine = 65536;

enum class JobLineRead {
    Line,    // a whole line, line end removed
    TooLong, // over kMaxJobLine bytes; the rest of it was read and dropped
    Cut,     // the input ended inside a line (no line end): not a job
    End,     // the input ended after the last line end
};

// Reads the next line of the job stream into `line` (without the "\n").
JobLineRead readJobLine(std::streambuf& in, std::string& line);

// Splits a job line into the words of a command line: fields separated by
// tabs, taken byte for byte (no quoting, no escapes), so blanks belong to
// a word and an empty field is an empty word; one "\r" before the line end is
// dropped. Returns a fault message (empty line, a NUL byte), or "" and the
// words.
std::string splitJobLine(const std::string& line, std::vector<std::string>& words);

// The status line of a job: its exit code, and when it printed anything, a
// tab and the first non-empty line it printed on either stream; then "\n".
std::string statusLine(int code, const std::string& printed);

// Answers every job of `in` with one status line written to `statusFd`, until
// the input ends. Returns 0 at the end of the input, or 9 after the message
// "Internal error: cannot write a status line" when a status line could not
// be written (the reader has gone): the jobs after it are not run.
int serveJobs(const std::string& programName, std::streambuf& in, int statusFd);

// serveJobs on the process's standard streams. The jobs get /dev/null as
// their standard input and the error stream as their standard output, so
// that nothing a job opens by name (/dev/stdin, /dev/stdout) can read the
// job stream or write between the status lines.
int serveStandardStreams(const std::string& programName);

} // namespace pagecut
