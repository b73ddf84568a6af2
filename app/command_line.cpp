// SPDX-License-Identifier: Apache-2.0
#include "app/command_line.h"

#include <iostream>
#include <limits>
#include <optional>

#include <opencv2/core/utility.hpp>

#include "app/messages.h"
#include "core/table_logic.h"

namespace pagecut {

namespace {

// An unsigned decimal numeral that fits a 32-bit signed integer. Empty text,
// any other character, or a value out of range gives nothing.
std::optional<std::int32_t> parseNumber(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

constexpr const char* kPositionalSynopsis =
    "INPUT_IMAGE BB_X0 BB_Y0 BB_X1 BB_Y1 SAVE_PATH LOG_PATH [TABLE_LOGIC = 1] "
    "[SAVE_IMAGE_FLAG = 0]";

std::string usageLine(const std::string& programName, bool withOptions) {
    std::string line = "Usage: " + programName + " ";
    if (withOptions)
        line += optionsSynopsis() + " ";
    return line + kPositionalSynopsis;
}

// The usage line of a fault depends on whether options were given, so that a
// command line without them reads byte for byte as it always has.
struct Usage {
    std::string programName;
    bool withOptions;
};

int fail(std::ostream& stream, const std::string& text, const Usage& usage, int code) {
    writeMessage(stream, text);
    printUsage(usage.programName, usage.withOptions);
    return code;
}

void printHelp(const std::string& programName) {
    std::cout << usageLine(programName, true) << "\n\nOptions (before INPUT_IMAGE; -- ends them):\n"
              << optionsDescription()
              << "\nThe arguments, formats, exit codes and messages: man pagecut.\n"
              << std::flush;
}

void printVersion() {
    std::cout << "pagecut " << PAGECUT_VERSION << " (OpenCV " << cv::getVersionString() << ")"
              << std::endl;
}

} // namespace

void writeMessage(std::ostream& stream, const std::string& text) {
    stream << std::endl << text << std::endl;
}

int failWithUsage(std::ostream& stream, const std::string& text, const CommandLineArgs& args,
                  int code) {
    return fail(stream, text, Usage{args.programName, args.sawOptions}, code);
}

void printUsage(const std::string& programName, bool withOptions) {
    std::cerr << std::endl << usageLine(programName, withOptions) << std::endl << std::endl;
}

std::pair<std::string, std::string> splitInputPath(const std::string& path) {
    const std::size_t last = path.find_last_of("\\/");
    if (last == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, last + 1), path.substr(last + 1)};
}

std::pair<std::string, std::vector<std::string>> commandLineWords(int argc,
                                                                  const char* const* argv) {
    const std::string programName = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i)
        words.emplace_back(argv[i] != nullptr ? argv[i] : "");
    return {programName, words};
}

int parseCommandLine(int argc, const char* const* argv, CommandLineArgs& args) {
    const auto [programName, words] = commandLineWords(argc, argv);
    return parseCommandLine(programName, words, args);
}

namespace {

// BB_X0 BB_Y0 BB_X1 BB_Y1 from argv[2..5]: 0, or the exit code of the first
// that is not a number, after its message.
int readBox(const std::vector<const char*>& argv, const Usage& usage, PageBox& box) {
    std::int32_t* const coordinates[] = {&box.x0, &box.y0, &box.x1, &box.y1};
    for (int i = 2; i <= 5; ++i) {
        const std::optional<std::int32_t> value = parseNumber(argv[i]);
        if (!value) {
            return fail(std::cerr, badCoordinateMessage(argv[i]), usage, kExitBadCoordinate);
        }
        *coordinates[i - 2] = *value;
    }
    return kExitSuccess;
}

// TABLE_LOGIC and SAVE_IMAGE_FLAG, when given: 0, or the exit code of the
// first that is bad, after its message.
int readOptionalArguments(const std::vector<const char*>& argv, const Usage& usage,
                          CommandLineArgs& args) {
    const std::size_t argc = argv.size();
    if (argc > 8) {
        const std::optional<std::int32_t> value = parseNumber(argv[8]);
        if (!value || !isTableLogicValue(*value)) {
            return fail(std::cerr, badTableLogicMessage(argv[8]), usage, kExitBadTableLogic);
        }
        TABLE_LOGIC = *value;
    }
    args.saveImage = false;
    if (argc > 9) {
        const std::optional<std::int32_t> value = parseNumber(argv[9]);
        if (!value) {
            return fail(std::cerr,
                        std::string("SAVE_IMAGE_FLAG should be a bool [0/1]. Got ") + argv[9] +
                            " instead.",
                        usage, kExitBadSaveImageFlag);
        }
        args.saveImage = *value != 0;
    }
    return kExitSuccess;
}

// The positional arguments, `argv[1]` being INPUT_IMAGE, checked in order.
int readPositionals(const std::vector<const char*>& argv, const Usage& usage,
                    CommandLineArgs& args) {
    if (argv.size() < 8) {
        printUsage(usage.programName, usage.withOptions);
        return kExitTooFewArguments;
    }
    std::tie(args.inputDirectory, args.inputFileName) = splitInputPath(argv[1]);
    args.box = PageBox{};
    if (const int code = readBox(argv, usage, args.box); code != kExitSuccess)
        return code;
    args.savePath = argv[6];
    args.logPath = argv[7];
    if (const int code = readOptionalArguments(argv, usage, args); code != kExitSuccess)
        return code;
    return kExitSuccess;
}

} // namespace

int parseCommandLine(const std::string& programName, const std::vector<std::string>& words,
                     CommandLineArgs& args) {
    const OptionsParse parse = parseOptions(words);
    const Usage usage{programName, parse.sawOptions};
    args.programName = programName;
    args.sawOptions = parse.sawOptions;
    if (!parse.fault.empty())
        return fail(std::cerr, parse.fault, usage, kExitBadOption);
    args.options = parse.options;
    args.answered = parse.options.showHelp || parse.options.showVersion;
    if (parse.options.showHelp) {
        printHelp(programName);
        return kExitSuccess;
    }
    if (parse.options.showVersion) {
        printVersion();
        return kExitSuccess;
    }
    // The jobs bring their own words; any other word here would be ignored.
    if (parse.options.serve) {
        if (words.size() != 1) {
            return fail(std::cerr,
                        "Option --serve takes no other arguments: each job brings its own.", usage,
                        kExitBadOption);
        }
        return kExitSuccess;
    }

    // Positional words from here on: `argv[1]` is INPUT_IMAGE, as without options.
    std::vector<const char*> argv = {programName.c_str()};
    for (std::size_t i = parse.firstPositional; i < words.size(); ++i)
        argv.push_back(words[i].c_str());
    return readPositionals(argv, usage, args);
}

} // namespace pagecut
