// SPDX-License-Identifier: Apache-2.0
// Where the time goes inside one run: decode, preparation, the two passes,
// merging and output, each timed in process over several repetitions.
//
// Usage: pagecut-stages [-n REPEAT] PAGE.png...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>

#include "segment/driver.h"
#include "segment/merge.h"
#include "segment/page_passes.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(0);
    int repeat = 5;
    std::vector<std::string> pages;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else
            pages.push_back(argv[i]);
    }
    if (pages.empty()) {
        std::fprintf(stderr, "Usage: %s [-n REPEAT] PAGE.png...\n", argv[0]);
        return 1;
    }
    std::printf("%-40s %8s %8s %8s %8s %8s %8s %8s\n", "page (median ms)", "decode", "prepare",
                "pass1", "pass2", "merge", "output", "total");
    for (const std::string& path : pages) {
        std::vector<double> stage[6];
        for (int r = 0; r < repeat; ++r) {
            Clock::time_point t = Clock::now();
            cv::Mat page = cv::imread(path, cv::IMREAD_GRAYSCALE);
            stage[0].push_back(millisecondsSince(t));
            if (page.empty()) {
                std::fprintf(stderr, "cannot read %s\n", path.c_str());
                return 1;
            }
            // In place, as the program does: the decoded image becomes the
            // working page, with no copy of it.
            t = Clock::now();
            pagecut::prepareWorkingPageInPlace(page, {0, 0, 0, 0});
            stage[1].push_back(millisecondsSince(t));
            t = Clock::now();
            std::vector<pagecut::Region> boxes, blocks, merged;
            pagecut::segmentPage(page, boxes, pagecut::boxPassParams());
            stage[2].push_back(millisecondsSince(t));
            t = Clock::now();
            pagecut::segmentPage(page, blocks, pagecut::layoutPassParams(boxes));
            stage[3].push_back(millisecondsSince(t));
            t = Clock::now();
            pagecut::mergeRegions(blocks, merged);
            stage[4].push_back(millisecondsSince(t));
            t = Clock::now();
            std::string text;
            for (const pagecut::Region& region : merged) {
                const cv::Rect& b = region.rect;
                text += std::to_string(b.x) + ' ' + std::to_string(b.y) + ' ' +
                        std::to_string(b.width) + ' ' + std::to_string(b.height) + '\n';
            }
            std::FILE* sink = std::fopen("/dev/null", "w");
            if (sink != nullptr) {
                std::fputs(text.c_str(), sink);
                std::fclose(sink);
            }
            stage[5].push_back(millisecondsSince(t));
        }
        double total = 0;
        double medians[6];
        for (int s = 0; s < 6; ++s)
            total += medians[s] = median(stage[s]);
        std::string name = path.substr(path.find_last_of('/') + 1);
        std::printf("%-40s %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f\n", name.c_str(), medians[0],
                    medians[1], medians[2], medians[3], medians[4], medians[5], total);
    }
    return 0;
}
