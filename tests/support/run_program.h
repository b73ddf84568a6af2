// SPDX-License-Identifier: Apache-2.0
// Running the real pagecut executable from a test, and a temporary folder for
// its files.
#pragma once

#include <string>
#include <vector>

namespace pagecut::test {

struct ProgramResult {
    int exitCode = -1;  // the exit status; -1 when the process did not exit normally
    int signal = 0;     // the signal that ended it, if any
    std::string stdOut; // everything written to the standard output stream
    std::string stdErr; // everything written to the standard error stream
};

// Runs `program` with `args` (argv[0] is `argv0`, or `program` when empty),
// standard input from the file `inputPath` (/dev/null when empty), and
// captures both output streams.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& argv0 = "", const std::string& inputPath = "");

// Runs the pagecut executable built with the tests.
ProgramResult runPagecut(const std::vector<std::string>& args, const std::string& argv0 = "");

// Path of the pagecut executable built with the tests.
std::string pagecutPath();

// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes out of scope. path() ends with '/'.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);

// True when a file (or folder) exists at `path`.
bool fileExists(const std::string& path);

// Writes `content` to `path` (binary).
void writeFile(const std::string& path, const std::string& content);

} // namespace pagecut::test
