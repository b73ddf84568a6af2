// SPDX-License-Identifier: Apache-2.0
// Gutters followed from row to row: two justified columns a narrow ruled
// gutter apart, read through the paragraph mode.
#include "paragraph/gutters.h"

#include <string>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "pagecut/pagecut.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

// A column of `lines` lines set flush on both sides where the spaces need
// stretch by at most 6 pixels, every third line ending in a hyphen that
// hangs into the margin.
void drawJustifiedColumn(cv::Mat& page, const cv::Rect& area, int lines, unsigned seed) {
    static const char* const words[] = {"lorem",      "ipsum",  "dolor", "sit", "amet",
                                        "adipiscing", "elit",   "sed",   "do",  "tempor",
                                        "ut",         "labore", "magna"};
    const auto width = [](const std::string& word) {
        int baseline = 0;
        return cv::getTextSize(word, cv::FONT_HERSHEY_SIMPLEX, 0.6, 1, &baseline).width;
    };
    const int space = 9, pitch = 26;
    for (int line = 0; line < lines; ++line) {
        const bool hyphen = line % 3 == 0;
        const int measure = area.width - (hyphen ? 5 : 0);
        std::vector<std::string> chosen;
        int inked = 0;
        for (;;) {
            seed = seed * 1103515245u + 12345u;
            const std::string word = words[(seed >> 16) % std::size(words)];
            if (inked + width(word) + space * static_cast<int>(chosen.size()) > measure)
                break;
            chosen.push_back(word);
            inked += width(word);
        }
        const int gaps = static_cast<int>(chosen.size()) - 1;
        const double stretched = gaps > 0 ? double(measure - inked) / gaps : space;
        const double gap = stretched <= space + 6 ? stretched : space;
        double x = area.x;
        for (const std::string& word : chosen) {
            pagegen::drawTextLine(page, word, {static_cast<int>(x), area.y + line * pitch});
            x += width(word) + gap;
        }
        if (hyphen && gap > space)
            pagegen::drawTextLine(page, "-", {area.x + measure, area.y + line * pitch});
    }
}

TEST(Gutters, NarrowRuledGutterPartsTheColumnsButNotTheLinesBelowThem) {
    cv::Mat page = pagegen::blankPage(1240, 1500);
    const int gutter = 20; // about a line high
    drawJustifiedColumn(page, {50, 60, 560, 1200}, 46, 5);
    drawJustifiedColumn(page, {50 + 560 + gutter, 60, 560, 1200}, 46, 6);
    const int middle = 50 + 560 + gutter / 2;
    page(cv::Rect(middle - 1, 50, 2, 1220)).setTo(0);
    pagegen::drawParagraph(page, {50, 1300, 1140, 150}, 4, 7);
    PageBlocks result;
    ASSERT_EQ(cutPage(page, PageBox{}, PageOptions{1, true}, result), PageStatus::Ok);
    int left = 0, right = 0, across = 0;
    for (const cv::Rect& r : result.blocks) {
        if (r.y > 1280)
            across += r.width > 1000;
        else if (r.x + r.width <= middle)
            ++left;
        else if (r.x >= middle)
            ++right;
        else
            ADD_FAILURE() << "a block across the gutter at " << r.x << "," << r.y;
    }
    EXPECT_GE(left, 1);
    EXPECT_GE(right, 1);
    EXPECT_EQ(across, 1);
}

} // namespace
} // namespace pagecut
