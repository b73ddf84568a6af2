// SPDX-License-Identifier: Apache-2.0
// Writes the sample page the project ships (or any page of the generator) to
// the given path.
#include <exception>
#include <iostream>

#include <opencv2/imgcodecs.hpp>

#include "tools/pagegen.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: " << (argc > 0 ? argv[0] : "make-sample-page") << " OUTPUT.png\n";
        return 1;
    }
    bool written = false;
    try {
        written = cv::imwrite(argv[1], pagecut::pagegen::samplePage());
    } catch (const std::exception&) {
        written = false;
    }
    if (!written) {
        std::cerr << "Could not write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
