// SPDX-License-Identifier: Apache-2.0
// The fuzz case of the program's words, shared with the test that replays its
// corpus: bytes as a stream of job lines, each line split into words, the
// words parsed as a command line (options first) and answered with a status
// line. Nothing is run: no file is read or written. Returns an empty string
// when every invariant holds, else what went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/captured_streams.h"
#include "app/command_line.h"
#include "app/jobs.h"
#include "app/options.h"

namespace pagecut::fuzz {

// A stream buffer over the bytes, as the job stream reads them.
class BytesBuffer : public std::streambuf {
  public:
    BytesBuffer(const std::uint8_t* data, std::size_t size) {
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
        setg(begin, begin, begin + size);
    }
};

// What the line reader must give for the bytes from `at`: the kind of line,
// its bytes, and where the next line starts.
inline JobLineRead expectedLine(std::string_view input, std::size_t& at, std::string& line) {
    line.clear();
    const std::size_t end = input.find('\n', at);
    const std::size_t stop = end == std::string_view::npos ? input.size() : end;
    const std::size_t length = stop - at;
    if (length <= kMaxJobLine)
        line = std::string(input.substr(at, length));
    else
        line = std::string(input.substr(at, kMaxJobLine));
    at = end == std::string_view::npos ? input.size() : end + 1;
    if (end == std::string_view::npos)
        return length == 0 ? JobLineRead::End : JobLineRead::Cut;
    return length > kMaxJobLine ? JobLineRead::TooLong : JobLineRead::Line;
}

// Splitting: the words joined by tabs give the line back (one "\r" before
// its end dropped), and only an empty line or one with a NUL is refused.
inline std::string checkSplit(const std::string& line, const std::vector<std::string>& words,
                              const std::string& fault) {
    std::string text = line;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    const bool refusable = text.empty() || text.find('\0') != std::string::npos;
    if (!fault.empty())
        return refusable ? "" : "a good line refused: " + fault;
    if (refusable)
        return "an empty line or one with a NUL was split";
    std::string joined;
    for (std::size_t i = 0; i < words.size(); ++i)
        joined += (i > 0 ? "\t" : "") + words[i];
    return joined == text ? "" : "the words do not give the line back";
}

// Parsing: a fault has its code (1 to 4) and a usage line; a page to run
// prints nothing and takes its paths from the positional words unchanged;
// --serve is taken alone; the status line is one line that starts with the code.
inline std::string checkParse(const std::vector<std::string>& words) {
    const OptionsParse options = parseOptions(words);
    if (options.firstPositional > words.size())
        return "the positional words start past the end";
    if ((words.empty() || words[0].rfind("--", 0) != 0) &&
        (options.sawOptions || options.firstPositional != 0))
        return "options read from a command line that starts with a positional word";
    CommandLineArgs args;
    int code = 0;
    std::string printed;
    {
        CapturedStreams captured;
        code = parseCommandLine("pagecut", words, args);
        printed = captured.text();
    }
    if (code < 0 || code > 4)
        return "parse code " + std::to_string(code);
    if (code != 0 && printed.find("\nUsage: pagecut ") == std::string::npos)
        return "fault " + std::to_string(code) + " without the usage line";
    if (code == 0 && args.options.serve && words.size() != 1)
        return "--serve taken with other words";
    if (code == 0 && !args.answered && !args.options.serve) {
        const std::size_t p = options.firstPositional;
        if (words.size() < p + 7 || !printed.empty())
            return "a page accepted from " + std::to_string(words.size() - p) + " words";
        if (args.inputDirectory + args.inputFileName != words[p] || args.savePath != words[p + 5] ||
            args.logPath != words[p + 6])
            return "the paths differ from their words";
    }
    const std::string status = statusLine(code, printed);
    if (status.rfind(std::to_string(code), 0) != 0 || status.find('\n') != status.size() - 1)
        return "status line " + status;
    return "";
}

// The bytes as a job stream: each line read as the reader must read it, split,
// and, when it is a job, parsed.
inline std::string runWordsCase(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    BytesBuffer buffer(data, size);
    std::size_t at = 0;
    for (;;) {
        std::string line, expected;
        const JobLineRead read = readJobLine(buffer, line);
        const JobLineRead want = expectedLine(input, at, expected);
        if (read != want || (read != JobLineRead::End && line != expected))
            return "line " + std::to_string(at) + " read wrongly";
        if (read == JobLineRead::End || read == JobLineRead::Cut)
            return "";
        if (read == JobLineRead::TooLong)
            continue;
        std::vector<std::string> words;
        const std::string fault = splitJobLine(line, words);
        std::string problem = checkSplit(line, words, fault);
        if (problem.empty() && fault.empty())
            problem = checkParse(words);
        if (!problem.empty())
            return problem;
    }
}

} // namespace pagecut::fuzz
