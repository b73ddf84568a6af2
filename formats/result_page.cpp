// SPDX-License-Identifier: Apache-2.0
#include "formats/result_page.h"

#include <algorithm>
#include <charconv>

namespace pagecut {

cv::Rect outlineBox(const Outline& outline) {
    int x0 = outline[0].x, y0 = outline[0].y, x1 = x0, y1 = y0;
    for (const cv::Point& p : outline) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    return cv::Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

std::string degrees(double value) {
    // to_chars, unlike printf, ignores the locale: a decimal comma would break
    // every format.
    char text[32];
    const double rounded = value == 0 ? 0.0 : value; // no "-0.00"
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, 2);
    if (error != std::errc())
        return "0.00";
    std::string out(text, end);
    return out == "-0.00" ? "0.00" : out;
}

std::vector<BlockLayout> describedBlocks(const ResultPage& page) {
    if (page.typed)
        return page.layouts;
    std::vector<BlockLayout> blocks;
    for (const cv::Rect& r : page.blocks) {
        BlockLayout block;
        block.box = r;
        const int x1 = r.x + std::max(r.width, 1) - 1, y1 = r.y + std::max(r.height, 1) - 1;
        block.outline = {cv::Point(r.x, r.y), cv::Point(x1, r.y), cv::Point(x1, y1),
                         cv::Point(r.x, y1)};
        blocks.push_back(block);
    }
    return blocks;
}

} // namespace pagecut
