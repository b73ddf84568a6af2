// SPDX-License-Identifier: Apache-2.0
// Draws a page (a heading, two columns of text lines and two closing lines),
// saves it as a PGM file at the path given, divides it with pagecut::cutPage
// and prints the blocks as the pagecut program writes its result file:
// "x y width height", one block a line, in reading order.
#include <algorithm>
#include <fstream>
#include <iostream>

#include <pagecut/pagecut.h>

namespace {

// A line of "words": dark bars of varying width separated by small gaps.
void drawLine(cv::Mat& page, int x0, int x1, int y, int seed) {
    int x = x0;
    for (int k = 0; x < x1; ++k) {
        const int width = std::min(20 + (seed * 7 + k * 13) % 45, x1 - x);
        page(cv::Rect(x, y, width, 14)).setTo(0);
        x += width + 9;
    }
}

cv::Mat drawPage() {
    cv::Mat page(1400, 1000, CV_8UC1, cv::Scalar(255));
    drawLine(page, 100, 700, 80, 1);   // heading
    drawLine(page, 100, 900, 1000, 2); // two closing lines under both columns
    drawLine(page, 100, 900, 1026, 3);
    for (int column = 0; column < 2; ++column) {
        const int x0 = column == 0 ? 100 : 570;
        for (int line = 0; line < 30; ++line)
            drawLine(page, x0, x0 + 330, 180 + line * 26, line + column * 31);
    }
    return page;
}

bool writePgm(const std::string& path, const cv::Mat& grey) {
    std::ofstream file(path, std::ios::binary);
    file << "P5\n" << grey.cols << ' ' << grey.rows << "\n255\n";
    for (int y = 0; y < grey.rows; ++y)
        file.write(reinterpret_cast<const char*>(grey.ptr(y)), grey.cols);
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: " << argv[0] << " PAGE.pgm\n";
        return 2;
    }
    const cv::Mat page = drawPage();
    if (!writePgm(argv[1], page)) {
        std::cerr << "Could not write " << argv[1] << "\n";
        return 1;
    }
    pagecut::PageBlocks result;
    const pagecut::PageStatus status =
        pagecut::cutPage(page, pagecut::PageBox{}, pagecut::PageOptions{}, result);
    if (status != pagecut::PageStatus::Ok) {
        std::cerr << "cutPage failed: " << static_cast<int>(status) << "\n";
        return 1;
    }
    for (const cv::Rect& block : result.blocks)
        std::cout << block.x << ' ' << block.y << ' ' << block.width << ' ' << block.height << '\n';
    return 0;
}
