// SPDX-License-Identifier: Apache-2.0
#include "segment/image_loan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include <opencv2/core.hpp>

#include "core/profile.h"

namespace pagecut {

thread_local constinit LoanMode LOAN_MODE = LoanMode::Lend;

namespace {

#ifdef PAGECUT_CHECKED
constexpr bool kChecked = true;
#else
constexpr bool kChecked = false;
#endif

cv::Rect wholeOf(const cv::Mat& image) {
    return cv::Rect(0, 0, image.cols, image.rows);
}

} // namespace

ImageLoan ImageLoan::invertBlock(cv::Mat& image, ImageLoan* lender) {
    return ImageLoan(image, lender);
}

ImageLoan ImageLoan::cellCanvas(ImageLoan& block, const cv::Rect& cell, int maxDepth) {
    return ImageLoan(block, cell, maxDepth);
}

ImageLoan::ImageLoan(cv::Mat& image, ImageLoan* lender) {
    if (LOAN_MODE == LoanMode::PlainCopies) {
        complementInto(image, image_);
        return;
    }
    if (lender != nullptr && !lender->complement_.empty()) {
        // The offered buffer is almost 1 - image already: only where it is
        // not needs saving.
        borrowed_ = &lender->complement_;
        lent_ = diffFromComplement(image, *borrowed_, wholeOf(image));
        image_ = *borrowed_;
    } else {
        image_ = cv::Mat(image.size(), image.type());
    }
    complementInto(image, image_);
    // The image received is not read again by the level that inverts it nor
    // below it, so it serves as the cells' canvas.
    complement_ = image;
}

ImageLoan::ImageLoan(ImageLoan& block, const cv::Rect& cell, int maxDepth) {
    if (LOAN_MODE == LoanMode::PlainCopies) {
        complementInto(block.image_, image_);
        return;
    }
    // The subtree of the cell writes into the canvas only through the table
    // rules it may draw: within the columns of its blocks, which lie inside
    // the cell's, and at most kRuleDrawnAbove rows above a block, whose own
    // top lies at most that far above its parent's for each level of the
    // recursion. Every other image it writes is lent to it and given back.
    // So restoring that window leaves the canvas as it was, which the checked
    // build verifies after every cell.
    const int reachAbove = kRuleDrawnAbove * (std::max(maxDepth, 0) + 2);
    const int top = std::max(0, cell.y - reachAbove);
    window_ = cv::Rect(cell.x, top, cell.width, cell.y + cell.height - top);
    block_ = &block;
    image_ = block.complement_;
    complement_ = block.image_;
    kept_ = diffFromComplement(block.image_, block.complement_, window_);
}

ImageLoan::~ImageLoan() {
    if (block_ != nullptr) {
        restoreFromComplement(block_->image_, block_->complement_, window_, kept_);
        if (kChecked && std::uncaught_exceptions() == 0)
            checkCanvas();
        return;
    }
    for (auto it = marks_.rbegin(); it != marks_.rend(); ++it)
        it->second.copyTo(complement_(it->first));
    if (borrowed_ != nullptr)
        restoreFromComplement(complement_, *borrowed_, wholeOf(complement_), lent_);
}

void ImageLoan::clear(const cv::Rect& rect) {
    const cv::Rect clipped = clipToImage(rect, image_);
    if (clipped.empty())
        return;
    image_(clipped).setTo(0);
    if (complement_.empty())
        return;
    marks_.emplace_back(clipped, complement_(clipped).clone());
    complement_(clipped).setTo(1);
}

// The canvas of a block must be 1 - its inverted image again after each cell,
// exactly as a freshly inverted image would be.
void ImageLoan::checkCanvas() const {
    cv::Mat fresh;
    complementInto(block_->image_, fresh);
    if (cv::norm(fresh, block_->complement_, cv::NORM_INF) == 0)
        return;
    std::fprintf(stderr, "pagecut: checked build: after a cell, its canvas is not 1 - the "
                         "inverted image (was something drawn outside the restored window?)\n");
    std::abort();
}

} // namespace pagecut
