// SPDX-License-Identifier: Apache-2.0
// pagecut: divides the printed content of a page image into rectangular text
// blocks and lists them in reading order.
#include <csignal>
#include <string>
#include <vector>

#include <opencv2/core/utility.hpp>

#include "app/image_io.h"
#include "app/jobs.h"

int main(int argc, char** argv) {
    // A result file on a closed pipe is a failed write (exit code 7), not a
    // death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a result file over the file size limit.
    std::signal(SIGXFSZ, SIG_IGN);
    pagecut::silenceLibraryLogging();
    // One page, one thread: callers run many pages side by side.
    cv::setNumThreads(0);
    const std::string programName = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i)
        words.emplace_back(argv[i] != nullptr ? argv[i] : "");
    return pagecut::runCommandLine(programName, words, false);
}
