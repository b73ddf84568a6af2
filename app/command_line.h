// SPDX-License-Identifier: Apache-2.0
// The program's command line: validation in a fixed order, with one message
// and exit code per fault.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/options.h"
#include "pagecut/pagecut.h"

namespace pagecut {

// Exit codes of the program.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitTooFewArguments = 1,
    kExitBadOption = 1, // an unknown option or a bad option value
    kExitBadCoordinate = 2,
    kExitBadTableLogic = 3,
    kExitBadSaveImageFlag = 4,
    kExitUnreadableImage = 5,
    kExitBoxOutsideImage = 6,
    kExitResultFileNotWritten = 7,
    kExitAnnotatedImageNotWritten = 8,
    kExitInternalError = 9,
};

struct CommandLineArgs {
    std::string inputDirectory; // INPUT_IMAGE up to and including its last separator
    std::string inputFileName;  // the rest, extension included
    PageBox box;                // BB_X0, BB_Y0, BB_X1, BB_Y1
    std::string savePath;
    std::string logPath;
    bool saveImage = false;
    ProgramOptions options;
    // For the usage line of the faults found later, when the page is read.
    std::string programName;
    bool sawOptions = false;
    bool answered = false; // --help or --version was answered: there is no page to run
};

// Reads the leading options, then checks the positional arguments in order
// and stops at the first fault with its message, the usage line and its exit
// code; on 0 `args` is complete and TABLE_LOGIC is set, or `args.answered`
// says that --help or --version was printed instead, or `args.options.serve`
// asks for the job stream (then --serve was the only word and nothing else is
// set). Parses only: the page pipeline reads the image and checks the box
// against its size.
int parseCommandLine(int argc, const char* const* argv, CommandLineArgs& args);

// The same over the words after the program name.
int parseCommandLine(const std::string& programName, const std::vector<std::string>& words,
                     CommandLineArgs& args);

// The program's name (argv[0]) and the words after it; a null or missing
// argument is an empty word.
std::pair<std::string, std::vector<std::string>> commandLineWords(int argc,
                                                                  const char* const* argv);

// Writes `text` as a message, then the usage line that `args` calls for;
// returns `code`. For the faults found after parsing.
int failWithUsage(std::ostream& stream, const std::string& text, const CommandLineArgs& args,
                  int code);

// Writes the usage line, framed by empty lines, to the standard error stream.
// A command line that gave options gets the usage line that names them; one
// without options gets the plain usage line, as it always has.
void printUsage(const std::string& programName, bool withOptions = false);

// Splits a path at its last separator (backslash or slash) into the directory
// part (separator included, possibly empty) and the file name.
std::pair<std::string, std::string> splitInputPath(const std::string& path);

// Writes a message framed as the program frames all of its messages: a line
// end, the text and a line end, each line end flushing the stream.
void writeMessage(std::ostream& stream, const std::string& text);

} // namespace pagecut
