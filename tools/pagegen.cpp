// SPDX-License-Identifier: Apache-2.0
#include "tools/pagegen.h"

#include <algorithm>
#include <random>

#include <opencv2/imgproc.hpp>

namespace pagecut::pagegen {

namespace {

const std::vector<std::string> kWords = {
    "the",     "page",  "of",   "text",   "block",   "column",  "reading", "order",
    "and",     "a",     "line", "cut",    "between", "words",   "printed", "margin",
    "with",    "table", "rule", "frame",  "cell",    "heading", "in",      "gap",
    "segment", "paper", "scan", "binary", "layout",  "is",      "to",      "ink"};

const int kFont = cv::FONT_HERSHEY_SIMPLEX;

std::string randomWord(std::mt19937& random) {
    return kWords[random() % kWords.size()];
}

int textWidth(const std::string& text, const TextStyle& style) {
    int baseline = 0;
    return cv::getTextSize(text, kFont, style.scale, style.thickness, &baseline).width;
}

int ascent(const TextStyle& style) {
    int baseline = 0;
    return cv::getTextSize("Hg", kFont, style.scale, style.thickness, &baseline).height;
}

int descent(const TextStyle& style) {
    int baseline = 0;
    cv::getTextSize("Hg", kFont, style.scale, style.thickness, &baseline);
    return baseline;
}

} // namespace

cv::Mat blankPage(int width, int height) {
    return cv::Mat(height, width, CV_8UC1, cv::Scalar(255));
}

int lineHeight(const TextStyle& style) {
    return ascent(style) + descent(style) + style.thickness;
}

void drawTextLine(cv::Mat& page, const std::string& text, cv::Point topLeft,
                  const TextStyle& style) {
    const cv::Point origin(topLeft.x, topLeft.y + ascent(style));
    cv::putText(page, text, origin, kFont, style.scale, cv::Scalar(0), style.thickness, cv::LINE_8);
}

int drawParagraph(cv::Mat& page, const cv::Rect& area, int lines, unsigned seed,
                  const TextStyle& style) {
    std::mt19937 random(seed);
    const int pitch = lineHeight(style) + style.lineSpacing;
    int y = 0;
    for (int line = 0; line < lines && y + lineHeight(style) <= area.height; ++line) {
        std::string text = randomWord(random);
        // The last line of a paragraph is short, the others fill the width.
        const int target = line + 1 == lines ? area.width / 2 : area.width;
        for (;;) {
            const std::string longer = text + " " + randomWord(random);
            if (textWidth(longer, style) > target)
                break;
            text = longer;
        }
        drawTextLine(page, text, cv::Point(area.x, area.y + y), style);
        y += pitch;
    }
    return std::max(0, y - style.lineSpacing);
}

void drawFrame(cv::Mat& page, const cv::Rect& rect, int thickness) {
    cv::rectangle(page, rect, cv::Scalar(0), -1);
    const cv::Rect inside(rect.x + thickness, rect.y + thickness, rect.width - 2 * thickness,
                          rect.height - 2 * thickness);
    if (inside.width > 0 && inside.height > 0)
        page(inside).setTo(255);
}

void drawGridTable(cv::Mat& page, const cv::Rect& area, int rows, int columns, unsigned seed,
                   const TextStyle& style) {
    std::mt19937 random(seed);
    const int cellWidth = area.width / columns;
    const int cellHeight = area.height / rows;
    const cv::Rect outline(area.x, area.y, cellWidth * columns + 1, cellHeight * rows + 1);
    for (int r = 0; r <= rows; ++r)
        page(cv::Rect(outline.x, area.y + r * cellHeight, outline.width, 2) &
             cv::Rect(0, 0, page.cols, page.rows))
            .setTo(0);
    for (int c = 0; c <= columns; ++c)
        page(cv::Rect(area.x + c * cellWidth, outline.y, 2, outline.height) &
             cv::Rect(0, 0, page.cols, page.rows))
            .setTo(0);
    const int textTop = std::max(4, (cellHeight - lineHeight(style)) / 2);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            std::string word = randomWord(random);
            while (textWidth(word, style) > cellWidth - 12 && word.size() > 1)
                word.pop_back();
            drawTextLine(page, word,
                         cv::Point(area.x + c * cellWidth + 8, area.y + r * cellHeight + textTop),
                         style);
        }
    }
}

int drawRuledTable(cv::Mat& page, const cv::Rect& area, int rows, int numberColumns, unsigned seed,
                   const TextStyle& style) {
    std::mt19937 random(seed);
    const int pitch = lineHeight(style) + style.lineSpacing;
    const int numberWidth = std::max(textWidth("000", style) + 4, area.width / 12);
    const int firstWidth = area.width - numberColumns * (numberWidth + 20);
    auto columnX = [&](int k) { return area.x + firstWidth + k * (numberWidth + 20) + 20; };

    int y = area.y;
    drawTextLine(page, "item", cv::Point(area.x, y), style);
    for (int k = 0; k < numberColumns; ++k)
        drawTextLine(page, std::string(1, char('A' + k)), cv::Point(columnX(k), y), style);
    y += pitch;
    page(cv::Rect(area.x, y, area.width, 2)).setTo(0);
    y += 2 + style.lineSpacing;
    for (int r = 0; r < rows; ++r) {
        drawTextLine(page, randomWord(random) + " " + randomWord(random), cv::Point(area.x, y),
                     style);
        for (int k = 0; k < numberColumns; ++k)
            drawTextLine(page, std::to_string(10 + random() % 90), cv::Point(columnX(k), y), style);
        y += pitch;
    }
    page(cv::Rect(area.x, y, area.width, 2)).setTo(0);
    return y + 2;
}

cv::Mat samplePage() {
    cv::Mat page = blankPage(1240, 1754);
    TextStyle heading;
    heading.scale = 1.2;
    heading.thickness = 2;
    drawTextLine(page, "A sample page for pagecut", cv::Point(150, 150), heading);

    const TextStyle body;
    const int columnWidth = 440;
    drawParagraph(page, cv::Rect(150, 230, columnWidth, 520), 18, 1, body);
    drawParagraph(page, cv::Rect(150 + columnWidth + 60, 230, columnWidth, 520), 18, 2, body);

    drawFrame(page, cv::Rect(200, 800, 840, 180), 3);
    drawParagraph(page, cv::Rect(230, 830, 780, 130), 5, 3, body);

    drawParagraph(page, cv::Rect(150, 1030, 940, 60), 2, 4, body);
    drawRuledTable(page, cv::Rect(150, 1120, 940, 260), 6, 3, 5, body);
    drawGridTable(page, cv::Rect(150, 1430, 940, 200), 4, 4, 6, body);
    return page;
}

} // namespace pagecut::pagegen
