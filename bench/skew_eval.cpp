// SPDX-License-Identifier: Apache-2.0
// The skew estimate on page images: each page is read greyscale, prepared as
// the paragraph mode prepares it (threshold, text height, scale, edge ink),
// and its skew measured on the character-sized ink. Prints one line per page:
// its name, the angle in degrees (positive: the lines rise to the right) and
// the milliseconds the estimate took (the preparation not included).
//
// Usage: pagecut-skew-eval PAGE...
#include <chrono>
#include <cstdio>
#include <string>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>

#include "working_page/scale.h"
#include "working_page/skew.h"

int main(int argc, char** argv) {
    cv::setNumThreads(0);
    if (argc < 2) {
        std::fprintf(stderr, "Usage: %s PAGE...\n", argv[0]);
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        const cv::Mat grey = cv::imread(path, cv::IMREAD_GRAYSCALE);
        if (grey.empty()) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        const pagecut::ScaledPage page = pagecut::scalePage(grey, {0, 0, 0, 0});
        const auto start = std::chrono::steady_clock::now();
        const double angle = pagecut::measureSkew(page.glyphs, page.textHeight);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const std::string name = path.substr(path.find_last_of('/') + 1);
        std::printf("%s %.3f %.2f\n", name.c_str(), angle, ms);
    }
    return 0;
}
