// SPDX-License-Identifier: Apache-2.0
// pagecut as a library: divides a page image held in memory into rectangular
// text blocks in reading order, with the same results as the pagecut program
// on the same image (the program is built on this function).
//
//   #include <pagecut/pagecut.h>
//
//   cv::Mat grey = cv::imread("page.png", cv::IMREAD_GRAYSCALE);
//   pagecut::PageBlocks blocks;
//   if (pagecut::cutPage(grey, pagecut::PageBox{}, pagecut::PageOptions{}, blocks) ==
//       pagecut::PageStatus::Ok)
//       for (const cv::Rect& block : blocks.blocks) ...
//
// Thread safety: cutPage keeps no state between calls and may run on several
// threads at once, each call on its own images. The table setting
// (PageOptions::tableLogic) is held per thread for the duration of a call.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// A bounding box on the page in pixels; right and bottom edges exclusive. Ink
// outside it is ignored. All zeros means the whole page.
struct PageBox {
    std::int32_t x0 = 0;
    std::int32_t y0 = 0;
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;
};

struct PageOptions {
    // 1 (default) or 2: how strictly separator lines are added between the
    // rows of framed tables; 2 also accepts tables of more than three strips.
    int tableLogic = 1;
    // Paragraph mode: the blocks are regrouped into the paragraphs, headings
    // and tables a reader would mark, working at a nominal text size with a
    // real threshold for grey scans; `unmerged` then holds the blocks they
    // were grouped from.
    bool paragraphs = false;
    // Paragraph mode: the page's skew in degrees (see PageBlocks::skew),
    // measured when not given; 0 turns straightening off. Between -45 and 45.
    std::optional<double> skew{};
};

// What a block of the paragraph mode is.
enum class BlockType {
    Paragraph,
    Heading,
    Caption,
    Table,
    Image,     // a picture, figure or drawing
    Separator, // a rule
    Maths,     // a displayed formula
    Footnote,
    Marginalia, // a note beside the column
    Header,     // a running head
    PageNumber,
    CatchWord,
    SignatureMark,
};

// The name of a type in the result formats and the Python module:
// "paragraph", "heading", "caption", "table", "image", "separator", "maths",
// "footnote", "marginalia", "header", "page-number", "catch-word",
// "signature-mark".
const char* blockTypeName(BlockType type);

// Whether blocks of the type hold text to read: all but images and rules.
bool isTextType(BlockType type);

// The outline of a block or a text line on the page: its top-left,
// top-right, bottom-right and bottom-left corners as the text reads, so
// turned with the page's skew. Each corner is a pixel of the page.
using Outline = std::array<cv::Point, 4>;

// A block of the paragraph mode with what it is and where its lines are.
struct BlockLayout {
    cv::Rect box; // the outline's bounding box, on the page
    BlockType type = BlockType::Paragraph;
    Outline outline{};
    std::vector<Outline> lines; // text lines in reading order; none for images and rules
};

struct PageBlocks {
    // The final blocks in reading order. In the paragraph mode, the blocks of
    // text: images and rules are only in `layouts`.
    std::vector<cv::Rect> blocks;
    std::vector<cv::Rect> unmerged; // the blocks before neighbours were merged
    // Paragraph mode only. The angle in degrees by which the page's lines
    // are turned counter-clockwise as the image is displayed (positive: they
    // rise to the right); turning the page clockwise by it straightens them.
    double skew = 0;
    // Paragraph mode only: every block, text or not, in reading order.
    std::vector<BlockLayout> layouts;
};

enum class PageStatus {
    Ok,
    NotGreyscale,    // the image is empty or not one 8-bit channel
    BadTableLogic,   // tableLogic is neither 1 nor 2
    BoxOutsideImage, // the box reaches the last column or row or beyond
    EmptyBox,        // x0 >= x1 or y0 >= y1 in a box that is not all zeros
    BadSkew,         // skew is not a finite number between -45 and 45
};

// Segments `grey` (one 8-bit channel; every pixel that is not 255 is ink)
// within `box`. On Ok, `result` holds the blocks; otherwise it is left empty.
// The image is not modified.
PageStatus cutPage(const cv::Mat& grey, const PageBox& box, const PageOptions& options,
                   PageBlocks& result);

} // namespace pagecut
