// SPDX-License-Identifier: Apache-2.0
// The cases the fuzz targets run, shared with the test that replays their
// corpus in the ordinary build: bytes decoded as an image, or bytes read as
// drawing commands, then the whole page through cutPage. Each check returns
// an empty string when every invariant holds, else what went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "pagecut/pagecut.h"
#include "segment/image_loan.h"

namespace pagecut::fuzz {

// Decoded images larger than this are not segmented: the decoder's own limit
// is far larger, and a large page takes long per input while finding nothing
// that a smaller one does not (the decoder still reads the large ones).
constexpr int kMaxDecodedSide = 2048;
constexpr double kMaxDecodedPixels = 1 << 18;

// The page the drawing commands draw on is at most this many pixels a side:
// room for every structure the commands draw (nested frames, grids of cells
// with text, rules, blocks taller than the channel closing's kernel), while
// the time per input, which grows with the pixels, stays small enough for a
// million inputs in a few hours.
constexpr int kMaxDrawnSide = 256;
constexpr std::size_t kMaxCommands = 64;

inline std::string describe(const cv::Rect& r) {
    return std::to_string(r.x) + ' ' + std::to_string(r.y) + ' ' + std::to_string(r.width) + ' ' +
           std::to_string(r.height);
}

inline std::string checkInside(const std::vector<cv::Rect>& rects, const cv::Size& page,
                               const char* list) {
    const cv::Rect whole(0, 0, page.width, page.height);
    for (const cv::Rect& r : rects) {
        if (r.width <= 0 || r.height <= 0 || (r & whole) != r)
            return std::string(list) + " block " + describe(r) + " on a page of " +
                   std::to_string(page.width) + " x " + std::to_string(page.height);
    }
    return "";
}

// cutPage as the simple design would run it: every inverted image and every
// cell's canvas a fresh deep copy, nothing lent.
inline PageStatus cutPageWithPlainCopies(const cv::Mat& grey, const PageBox& box,
                                         const PageOptions& options, PageBlocks& result) {
    const LoanMode saved = LOAN_MODE;
    LOAN_MODE = LoanMode::PlainCopies;
    const PageStatus status = cutPage(grey, box, options, result);
    LOAN_MODE = saved;
    return status;
}

// The paragraph mode's layouts: every box on the page, every outline and
// line corner a pixel of it, and the blocks of text, in order, are the final
// blocks.
inline std::string checkLayouts(const PageBlocks& result, const cv::Size& page) {
    const cv::Rect whole(0, 0, page.width, page.height);
    std::vector<cv::Rect> text;
    for (const BlockLayout& layout : result.layouts) {
        if (std::string fault = checkInside({layout.box}, page, "layout"); !fault.empty())
            return fault;
        for (const cv::Point& p : layout.outline) {
            if (!whole.contains(p))
                return "an outline corner off the page";
        }
        for (const Outline& line : layout.lines) {
            for (const cv::Point& p : line) {
                if (!whole.contains(p))
                    return "a line corner off the page";
            }
        }
        if (isTextType(layout.type))
            text.push_back(layout.box);
    }
    if (text != result.blocks)
        return "the blocks of text are not the final blocks";
    if (!(result.skew >= -45 && result.skew <= 45))
        return "a skew of " + std::to_string(result.skew);
    return "";
}

// Runs cutPage on `grey`, then again with plain copies, and checks: the
// status is the one the box calls for, an Ok result has every block inside
// the page with a positive size, a refused one is empty, the image is left
// alone, and the lending run agrees with the plain one.
inline std::string checkCut(const cv::Mat& grey, const PageBox& box, int tableLogic,
                            bool paragraphs = false, std::optional<double> skew = std::nullopt) {
    const bool zeros = box.x0 == 0 && box.y0 == 0 && box.x1 == 0 && box.y1 == 0;
    const bool usable = box.x0 >= 0 && box.y0 >= 0 && box.x1 < grey.cols && box.y1 < grey.rows &&
                        (zeros || (box.x0 < box.x1 && box.y0 < box.y1));
    const cv::Mat before = grey.clone();
    PageBlocks first, second;
    const PageOptions options{tableLogic, paragraphs, skew};
    const PageStatus status = cutPage(grey, box, options, first);
    if ((status == PageStatus::Ok) != usable)
        return "status " + std::to_string(static_cast<int>(status)) + " for the box " +
               describe(cv::Rect(box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0));
    if (cv::norm(before, grey, cv::NORM_INF) != 0)
        return "the input image was modified";
    if (status != PageStatus::Ok)
        return first.blocks.empty() && first.unmerged.empty() ? "" : "blocks with a refused box";
    // Paragraph mode may drop every block as noise (specks, rules, pictures).
    if (!paragraphs && first.blocks.empty() && !first.unmerged.empty())
        return "unmerged blocks but no final ones";
    std::string fault = checkInside(first.blocks, grey.size(), "final");
    if (fault.empty())
        fault = checkInside(first.unmerged, grey.size(), "unmerged");
    if (fault.empty() && paragraphs)
        fault = checkLayouts(first, grey.size());
    if (!fault.empty())
        return fault;
    if (cutPageWithPlainCopies(grey, box, options, second) != status ||
        second.blocks != first.blocks || second.unmerged != first.unmerged)
        return "the run with plain copies gave other blocks";
    return "";
}

// Reads the input front to back; past its end every read gives 0.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    int byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int word() { // low byte first
        const int low = byte();
        return low | (byte() << 8);
    }
    // A value in [lo, hi].
    int in(int lo, int hi) { return lo + (hi > lo ? word() % (hi - lo + 1) : 0); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

inline void inkRect(cv::Mat& page, const cv::Rect& rect, int value) {
    const cv::Rect clipped = rect & cv::Rect(0, 0, page.cols, page.rows);
    if (!clipped.empty())
        page(clipped).setTo(value);
}

inline void inkFrame(cv::Mat& page, const cv::Rect& r, int t, int value) {
    inkRect(page, cv::Rect(r.x, r.y, r.width, t), value);
    inkRect(page, cv::Rect(r.x, r.y + r.height - t, r.width, t), value);
    inkRect(page, cv::Rect(r.x, r.y, t, r.height), value);
    inkRect(page, cv::Rect(r.x + r.width - t, r.y, t, r.height), value);
}

// Lines of "words" made of small glyph-sized rectangles, like printed text.
inline void inkText(cv::Mat& page, const cv::Rect& area, int glyphW, int glyphH, int lineGap,
                    int wordGap, unsigned seed, int value) {
    cv::RNG random(seed);
    for (int y = area.y; y + glyphH <= area.y + area.height; y += glyphH + lineGap) {
        int x = area.x;
        const int lineEnd = area.x + area.width - random.uniform(0, std::max(1, area.width / 3));
        while (x + glyphW <= lineEnd) {
            const int letters = random.uniform(1, 9);
            for (int k = 0; k < letters && x + glyphW <= lineEnd; ++k) {
                const int h = random.uniform(std::max(1, glyphH / 2), glyphH + 1);
                inkRect(page, cv::Rect(x, y + glyphH - h, std::max(1, glyphW - 1), h), value);
                x += glyphW;
            }
            x += wordGap;
        }
    }
}

// Draws the page the bytes describe: its size, then up to kMaxCommands
// commands, each an opcode and its operands (text, rules, frames, grids,
// filled and erased rectangles, scattered dots), in ink of varying grey.
inline cv::Mat drawPage(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    const int width = in.in(1, kMaxDrawnSide);
    const int height = in.in(1, kMaxDrawnSide);
    cv::Mat page(height, width, CV_8UC1, cv::Scalar(255));
    for (std::size_t n = 0; n < kMaxCommands && !in.done(); ++n) {
        const int op = in.byte() % 8;
        // Ink is any grey below 255; white (255) erases.
        const int value = op == 6 ? 255 : in.byte() % 255;
        const int x = in.in(-8, width), y = in.in(-8, height);
        const int w = in.in(0, width + 8), h = in.in(0, height + 8);
        const cv::Rect area(x, y, w, h);
        switch (op) {
        case 0: // text: glyph size, line and word gaps
        {
            // Operands are read one statement at a time: the order in which
            // function arguments are evaluated differs between compilers.
            const int glyphW = in.in(1, 24), glyphH = in.in(1, 40);
            const int lineGap = in.in(0, 40), wordGap = in.in(0, 40);
            inkText(page, area, glyphW, glyphH, lineGap, wordGap, in.byte(), value);
            break;
        }
        case 1: // horizontal rule
            inkRect(page, cv::Rect(x, y, w, in.in(1, 6)), value);
            break;
        case 2: // vertical rule
            inkRect(page, cv::Rect(x, y, in.in(1, 6), h), value);
            break;
        case 3: // frame, possibly nested `depth` times
        {
            const int t = in.in(1, 6), step = in.in(1, 40), depth = in.in(1, 16);
            cv::Rect r = area;
            for (int k = 0; k < depth && r.width > 2 * t && r.height > 2 * t; ++k) {
                inkFrame(page, r, t, value);
                r = cv::Rect(r.x + step, r.y + step, r.width - 2 * step, r.height - 2 * step);
            }
            break;
        }
        case 4: // grid of rows x columns cells, optionally with text in them
        {
            const int rows = in.in(1, 20), cols = in.in(1, 12), t = in.in(1, 4);
            const bool text = in.byte() % 2 == 0;
            const int cellW = std::max(1, w / cols), cellH = std::max(1, h / rows);
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c) {
                    const cv::Rect cell(x + c * cellW, y + r * cellH, cellW, cellH);
                    inkFrame(page, cell, t, value);
                    if (text)
                        inkText(page,
                                cv::Rect(cell.x + t + 3, cell.y + t + 3, cell.width - 2 * t - 6,
                                         cell.height - 2 * t - 6),
                                4, 7, 4, 5, static_cast<unsigned>(r * 31 + c), value);
                }
            break;
        }
        case 5: // filled block
        case 6: // erased block
            inkRect(page, area, value);
            break;
        case 7: // scattered dots
        {
            cv::RNG random(static_cast<unsigned>(in.word()));
            const int count = in.in(0, 2000);
            for (int k = 0; k < count; ++k) {
                const int dotX = random.uniform(0, width);
                inkRect(page, cv::Rect(dotX, random.uniform(0, height), 1, 1), value);
            }
            break;
        }
        }
    }
    return page;
}

// A box from the last four bytes: usually a valid one inside the page, but
// also empty, inverted or reaching the last row or column.
inline PageBox boxFromBytes(const std::uint8_t* data, std::size_t size, const cv::Size& page) {
    if (size < 4)
        return PageBox{};
    const std::uint8_t* b = data + size - 4;
    const auto at = [](int byte, int side) { return static_cast<int>(byte * (side + 1) / 255); };
    return PageBox{at(b[0] & 0x7f, page.width), at(b[1] & 0x7f, page.height), at(b[2], page.width),
                   at(b[3], page.height)};
}

// Bytes through the image decoder as greyscale, then the page with the whole
// page as box and with a box from the input.
inline std::string runDecodeCase(const std::uint8_t* data, std::size_t size) {
    cv::Mat grey;
    try {
        grey = cv::imdecode(
            cv::Mat(1, static_cast<int>(size), CV_8UC1, const_cast<std::uint8_t*>(data)),
            cv::IMREAD_GRAYSCALE);
    } catch (const cv::Exception&) {
        return "";
    }
    if (grey.empty() || grey.cols > kMaxDecodedSide || grey.rows > kMaxDecodedSide ||
        static_cast<double>(grey.cols) * grey.rows > kMaxDecodedPixels)
        return "";
    if (grey.type() != CV_8UC1)
        return "greyscale decoding gave type " + std::to_string(grey.type());
    std::string fault = checkCut(grey, PageBox{}, 1);
    if (fault.empty())
        fault = checkCut(grey, boxFromBytes(data, size, grey.size()), 1 + (size % 2));
    return fault;
}

// Bytes as drawing commands, then the page with both table settings.
inline std::string runDrawCase(const std::uint8_t* data, std::size_t size) {
    const cv::Mat page = drawPage(data, size);
    std::string fault = checkCut(page, PageBox{}, 1);
    if (fault.empty())
        fault = checkCut(page, PageBox{}, 2);
    if (fault.empty())
        fault = checkCut(page, PageBox{}, 1, true);
    // A skew given from the input's first bytes: -45 to 45 degrees.
    if (fault.empty() && size > 0)
        fault = checkCut(page, PageBox{}, 1, true, (data[0] % 181 - 90) / 2.0);
    return fault;
}

} // namespace pagecut::fuzz
