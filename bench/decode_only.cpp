// SPDX-License-Identifier: Apache-2.0
// The floor of the benchmark: a process that only decodes the page image as
// greyscale, with the same OpenCV as pagecut, and exits.
#include <opencv2/imgcodecs.hpp>

int main(int argc, char** argv) {
    if (argc < 2)
        return 1;
    const cv::Mat image = cv::imread(argv[1], cv::IMREAD_GRAYSCALE);
    return image.empty() ? 1 : 0;
}
