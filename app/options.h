// SPDX-License-Identifier: Apache-2.0
// The program's leading options: GNU-style long options before the first
// positional argument. One parser for the command line and for anything else
// that takes the same words (job lines, scripts).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "formats/result_formats.h"

namespace pagecut {

// What the leading options ask for. Each field's default is the program's
// behaviour without options.
struct ProgramOptions {
    bool showHelp = false;                         // --help: describe the command line and stop
    bool showVersion = false;                      // --version: print the version and stop
    ResultFormat resultFormat = ResultFormat::Txt; // --format: the result file's format
    bool paragraphs = false;      // --paragraphs: paragraph, heading and table blocks
    bool serve = false;           // --serve: run the page jobs read from the standard input
    std::optional<double> skew{}; // --skew: the page's skew for the paragraph mode
};

// The outcome of reading the leading options of a command line.
struct OptionsParse {
    ProgramOptions options;
    std::size_t firstPositional = 0; // index of the first positional word
    bool sawOptions = false;         // at least one option (or "--") was given
    std::string fault;               // the first fault, as a message; empty when none
};

// Reads options from the front of `words` (the command line without the
// program name). Only words that start with "--" and have more after it are
// options; "--" itself ends the options and is consumed; any other word,
// including "-" and words such as "-5" or "-page.png", is the first
// positional argument, so command lines without options read exactly as
// before. A value is given as "--name=VALUE" or as the next word.
OptionsParse parseOptions(const std::vector<std::string>& words);

// The options part of the usage line, such as "[--help] [--version]".
std::string optionsSynopsis();

// One line per option, with what it does, for --help.
std::string optionsDescription();

} // namespace pagecut
