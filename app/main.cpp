// SPDX-License-Identifier: Apache-2.0
// pagecut: divides the printed content of a page image into rectangular text
// blocks and lists them in reading order.
#include <csignal>
#include <exception>
#include <iostream>
#include <utility>

#include <opencv2/core/utility.hpp>

#include "app/command_line.h"
#include "app/image_io.h"
#include "app/pipeline.h"
#include "core/table_logic.h"

int main(int argc, char** argv) {
    // A result file on a closed pipe is a failed write (exit code 7), not a
    // death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a result file over the file size limit.
    std::signal(SIGXFSZ, SIG_IGN);
    pagecut::silenceLibraryLogging();
    // One page, one thread: callers run many pages side by side.
    cv::setNumThreads(0);
    try {
        pagecut::TABLE_LOGIC = 1;
        pagecut::CommandLineArgs args;
        const int parsed = pagecut::parseCommandLine(argc, argv, args);
        if (parsed != 0 || args.answered)
            return parsed;
        return pagecut::runPagePipeline(args.inputFileName, args.inputDirectory, args.savePath,
                                        args.box, args.saveImage, args.logPath,
                                        std::move(args.image), args.options);
    } catch (const std::exception& error) {
        pagecut::writeMessage(std::cerr, std::string("Internal error: ") + error.what());
    } catch (...) {
        pagecut::writeMessage(std::cerr, "Internal error");
    }
    return pagecut::kExitInternalError;
}
