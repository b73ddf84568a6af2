// SPDX-License-Identifier: Apache-2.0
// The types of the paragraph mode's blocks, each told on a drawn page of
// running text from what the page shows: a page number, a running head, a
// footnote under its rule, a picture, a rule, a caption and a heading.
#include "paragraph/block_types.h"

#include <functional>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "core/rect_algebra.h"
#include "tools/pagegen.h"

namespace pagecut {
namespace {

constexpr int kLeft = 100, kWidth = 800;
const pagegen::TextStyle kBody{};
const pagegen::TextStyle kSmall{0.45, 1, 8};
const pagegen::TextStyle kLarge{1.2, 2, 10};

// Draws a picture: an outlined scene with a label inside it.
void drawPicture(cv::Mat& page, const cv::Rect& r) {
    cv::rectangle(page, r, cv::Scalar(0), 3);
    cv::ellipse(page, (r.tl() + r.br()) / 2, r.size() / 3, 0, 0, 360, cv::Scalar(0), 4);
    cv::line(page, r.tl(), r.br(), cv::Scalar(0), 3);
    pagegen::drawTextLine(page, "A", {r.x + 20, r.y + 20}, kBody);
}

// A page of two paragraphs, at the top and at the foot of a column, with
// room between them (rows 480 to 740) and above them (rows 60 to 180).
cv::Mat bodyPage() {
    cv::Mat page = pagegen::blankPage(1000, 1400);
    pagegen::drawParagraph(page, {kLeft, 200, kWidth, 260}, 8, 5, kBody);
    pagegen::drawParagraph(page, {kLeft, 760, kWidth, 260}, 8, 6, kBody);
    return page;
}

// The share of `a` that `b` covers.
double covered(const cv::Rect& a, const cv::Rect& b) {
    return a.area() > 0 ? static_cast<double>((a & b).area()) / a.area() : 0;
}

TEST(BlockTypes, EachCueTypesTheBlockThatShowsIt) {
    const struct {
        const char* what;
        std::function<void(cv::Mat&)> draw;
        cv::Rect where; // the block of the type lies mostly inside, over its centre
        BlockType type;
    } cases[] = {
        {"page number",
         [](cv::Mat& p) {
             pagegen::drawTextLine(p, "17", {490, 100}, kBody);
         },
         {488, 98, 30, 20},
         BlockType::PageNumber},
        {"running head",
         [](cv::Mat& p) {
             pagegen::drawTextLine(p, "On the mills of the river", {380, 100});
         },
         {378, 98, 240, 20},
         BlockType::Header},
        {"footnote under its rule",
         [](cv::Mat& p) {
             cv::rectangle(p, cv::Rect(kLeft, 1100, 160, 2), cv::Scalar(0), cv::FILLED);
             pagegen::drawParagraph(p, {kLeft, 1120, kWidth, 60}, 2, 9, kSmall);
         },
         {kLeft, 1120, kWidth, 40},
         BlockType::Footnote},
        {"picture",
         [](cv::Mat& p) {
             drawPicture(p, {300, 500, 400, 220});
         },
         {300, 500, 400, 220},
         BlockType::Image},
        {"rule",
         [](cv::Mat& p) { cv::rectangle(p, cv::Rect(kLeft, 600, kWidth, 3), cv::Scalar(0), -1); },
         {kLeft, 600, kWidth, 3},
         BlockType::Separator},
        {"caption under a picture",
         [](cv::Mat& p) {
             drawPicture(p, {300, 500, 400, 180});
             pagegen::drawTextLine(p, "Figure 1. The mill", {420, 700}, kBody);
         },
         {418, 698, 180, 20},
         BlockType::Caption},
        {"heading in larger type",
         [](cv::Mat& p) {
             pagegen::drawTextLine(p, "Part Two", {kLeft, 600}, kLarge);
         },
         {kLeft, 598, 200, 40},
         BlockType::Heading},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        cv::Mat page = bodyPage();
        c.draw(page);
        PageBlocks blocks;
        ASSERT_EQ(cutPage(page, PageBox{}, PageOptions{1, true}, blocks), PageStatus::Ok);
        const auto found =
            std::find_if(blocks.layouts.begin(), blocks.layouts.end(), [&](const BlockLayout& b) {
                return b.type == c.type && covered(b.box, c.where) > 0.5 &&
                       b.box.contains((c.where.tl() + c.where.br()) / 2);
            });
        EXPECT_NE(found, blocks.layouts.end());
        for (const BlockLayout& b : blocks.layouts) {
            // The body stays running text, and nothing inside a picture is text.
            if (b.box.y >= 200 && b.box.y + b.box.height <= 460 && b.box.height > 100) {
                EXPECT_EQ(b.type, BlockType::Paragraph);
            }
            if (c.type == BlockType::Image && b.type != BlockType::Image) {
                EXPECT_LT(covered(b.box, c.where), 0.5) << blockTypeName(b.type);
            }
        }
    }
}

TEST(BlockTypes, LargerAndBolderTypeMeasuresSo) {
    cv::Mat page = pagegen::blankPage(600, 200);
    pagegen::drawTextLine(page, "running text of the body", {10, 10}, kBody);
    pagegen::drawTextLine(page, "a larger heading", {10, 60}, kLarge);
    pagegen::drawTextLine(page, "a bold line here", {10, 140}, {0.6, 2, 10});
    const cv::Mat ink = page < 128;
    const cv::Mat binary = ink / 255;
    const auto measure = [&](int y, int h) {
        return measureType(binary,
                           {cv::boundingRect(ink(cv::Rect(0, y, 600, h))) + cv::Point(0, y)}, 20);
    };
    const TypeMeasures body = measure(0, 40), large = measure(50, 80), bold = measure(130, 60);
    EXPECT_GT(large.size, 1.5 * body.size);
    EXPECT_GT(large.weight, 1.5 * body.weight);
    EXPECT_LT(bold.size, large.size);
    EXPECT_GT(bold.weight, 1.4 * body.weight);
    EXPECT_EQ(body.drawn, 0);
    EXPECT_EQ(measureType(binary, {}, 20).size, 0);
}

} // namespace
} // namespace pagecut
