// SPDX-License-Identifier: Apache-2.0
#include "formats/annotated_image.h"

#include <algorithm>
#include <string>

#include <opencv2/imgproc.hpp>

namespace pagecut {

void drawRegions(cv::Mat& canvas, const std::vector<cv::Rect>& regions, const cv::Scalar& colour,
                 int thickness) {
    const double fontScale = std::max(thickness - 1, 1);
    for (std::size_t k = 0; k < regions.size(); ++k) {
        const cv::Rect& r = regions[k];
        cv::rectangle(canvas, r, colour, thickness, cv::LINE_8);
        cv::putText(canvas, std::to_string(k), cv::Point(r.x, r.y), cv::FONT_HERSHEY_PLAIN,
                    fontScale, colour, 2, cv::LINE_8);
    }
}

cv::Scalar typeColour(BlockType type) {
    switch (type) {
    case BlockType::Paragraph:
        return {255, 0, 0};
    case BlockType::Heading:
        return {160, 0, 80};
    case BlockType::Caption:
        return {0, 160, 0};
    case BlockType::Table:
        return {0, 140, 255};
    case BlockType::Image:
        return {0, 0, 255};
    case BlockType::Separator:
        return {255, 0, 255};
    case BlockType::Maths:
        return {128, 128, 0};
    case BlockType::Footnote:
        return {200, 120, 0};
    case BlockType::Marginalia:
        return {0, 100, 100};
    default: // running heads, page numbers, catch-words, signature marks
        return {110, 110, 110};
    }
}

void drawLayouts(cv::Mat& canvas, const std::vector<BlockLayout>& layouts) {
    for (std::size_t k = 0; k < layouts.size(); ++k) {
        const BlockLayout& block = layouts[k];
        const cv::Scalar colour = typeColour(block.type);
        for (const Outline& line : block.lines) {
            cv::polylines(canvas, std::vector<cv::Point>(line.begin(), line.end()), true, colour, 1,
                          cv::LINE_8);
        }
        const std::vector<cv::Point> outline(block.outline.begin(), block.outline.end());
        cv::polylines(canvas, outline, true, colour, 3, cv::LINE_8);
        cv::putText(canvas, std::to_string(k) + " " + blockTypeName(block.type), outline[0],
                    cv::FONT_HERSHEY_PLAIN, 2, colour, 2, cv::LINE_8);
    }
}

} // namespace pagecut
