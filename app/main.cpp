// SPDX-License-Identifier: Apache-2.0
// pagecut: divides the printed content of a page image into rectangular text
// blocks and lists them in reading order.
#include <csignal>

#include <opencv2/core/utility.hpp>

#include "app/command_line.h"
#include "app/jobs.h"
#include "formats/image_io.h"

int main(int argc, char** argv) {
    // A result file on a closed pipe is a failed write (exit code 7), not a
    // death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a result file over the file size limit.
    std::signal(SIGXFSZ, SIG_IGN);
    pagecut::silenceLibraryLogging();
    // One page, one thread: callers run many pages side by side.
    cv::setNumThreads(0);
    const auto [programName, words] = pagecut::commandLineWords(argc, argv);
    return pagecut::runCommandLine(programName, words, false);
}
