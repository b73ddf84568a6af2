// SPDX-License-Identifier: Apache-2.0
// The two page-sized images a framed block is divided on, lent for the time
// of one scope and given back when it ends: the inverted image of the block,
// and the page-polarity canvas on which its cells are divided.
//
// Each of them is the complement (1 - x) of the other: the canvas is the image
// the block was inverted from, kept in step with what is cleared in the
// inverted image, and a buffer that is the complement of an image but for a
// few pixels can be taken for that image's inversion and given back without a
// copy of it being saved. So a framed block nested in a cell borrows the
// enclosing block's inverted image instead of allocating one, and nesting costs
// no copy of the page per level.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "segment/complement.h"
#include "strategies/ruled_table.h"

namespace pagecut {

// How loans are made. Lend is the program's way; PlainCopies makes every
// inverted image and every cell's canvas a fresh deep copy and gives nothing
// back, as the simple design would: the fuzz targets run both and compare.
enum class LoanMode { Lend, PlainCopies };

// The calling thread's loan mode; Lend unless a caller changed it.
extern thread_local constinit LoanMode LOAN_MODE;

// One loan, given back by the destructor (also when an exception leaves the
// scope), so that every image is again what it was before the scope began.
// Loans end in the reverse order in which they were made.
class ImageLoan {
  public:
    // Invert this block: 1 - image, in the buffer `lender` offers when there
    // is one (it is given back unchanged) and in a fresh one otherwise. The
    // cells' canvas is `image` itself; what is cleared in the inverted image
    // is marked on it and unmarked when the loan ends.
    static ImageLoan invertBlock(cv::Mat& image, ImageLoan* lender);

    // This cell's canvas: the page-polarity image of `block` (a loan made by
    // invertBlock) for the content of the cell at `cell`. The cell's subtree
    // may draw into it up to kRuleDrawnAbove rows (the drawing reach of a
    // ruled table) per level of `maxDepth` above the cell, and may borrow the
    // block's inverted image; both are given back when the loan ends.
    static ImageLoan cellCanvas(ImageLoan& block, const cv::Rect& cell, int maxDepth);

    ~ImageLoan();
    ImageLoan(const ImageLoan&) = delete;
    ImageLoan& operator=(const ImageLoan&) = delete;

    // The image the borrower works on: the inverted image of a block, the
    // canvas of a cell.
    cv::Mat& image() { return image_; }

    // Clears `rect` (clipped to the image) of a block's inverted image to
    // background (0), and marks it as ink on the canvas to keep the two in
    // step. Clearing what is clear already only marks it.
    void clear(const cv::Rect& rect);

  private:
    ImageLoan(cv::Mat& image, ImageLoan* lender);
    ImageLoan(ImageLoan& block, const cv::Rect& cell, int maxDepth);
    void checkCanvas() const;

    cv::Mat image_;
    // The complement of image_ but for a few pixels, offered to a framed block
    // that inverts image_; empty when there is none to offer.
    cv::Mat complement_;
    // A block's loan: the lender's buffer when image_ is taken from it, and
    // what that buffer held where it was not the complement of its image.
    cv::Mat* borrowed_ = nullptr;
    ComplementDiff lent_;
    std::vector<std::pair<cv::Rect, cv::Mat>> marks_; // canvas pixels under the marks
    // A cell's loan: its block, and the window of the canvas given back.
    ImageLoan* block_ = nullptr;
    cv::Rect window_;
    ComplementDiff kept_;
};

} // namespace pagecut
