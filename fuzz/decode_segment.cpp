// SPDX-License-Identifier: Apache-2.0
// Fuzz target: arbitrary bytes through the image decoder (greyscale), then the
// two passes and merging through cutPage, with the whole page as box and with
// a box taken from the input. Aborts when an invariant of fuzz_cases.h fails.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <opencv2/core/utils/logger.hpp>

#include "fuzz/fuzz_cases.h"

// The decoder reads its size limits once, when the library is loaded, from
// the environment: when they are not set, set them and start again, so that
// a header declaring a huge image is refused before anything is allocated.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    (void)argc;
    if (std::getenv("OPENCV_IO_MAX_IMAGE_PIXELS") == nullptr) {
        ::setenv("OPENCV_IO_MAX_IMAGE_PIXELS", "1000000", 1);
        ::setenv("OPENCV_IO_MAX_IMAGE_WIDTH", "4000", 1);
        ::setenv("OPENCV_IO_MAX_IMAGE_HEIGHT", "4000", 1);
        ::execv("/proc/self/exe", *argv);
        std::perror("execv");
    }
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = pagecut::fuzz::runDecodeCase(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "invariant failed: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
