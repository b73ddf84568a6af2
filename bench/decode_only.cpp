// SPDX-License-Identifier: Apache-2.0
// The floor of the benchmark: a process that only decodes the page images
// given as greyscale, one after the other, with the same OpenCV as pagecut,
// and exits. With one page it is the floor of a single run; with many, the
// floor of a batch over them.
#include <opencv2/imgcodecs.hpp>

int main(int argc, char** argv) {
    if (argc < 2)
        return 1;
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        const cv::Mat image = cv::imread(argv[i], cv::IMREAD_GRAYSCALE);
        failed += image.empty() ? 1 : 0;
    }
    return failed == 0 ? 0 : 1;
}
