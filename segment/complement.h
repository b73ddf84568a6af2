// SPDX-License-Identifier: Apache-2.0
// A buffer that is, but for a few pixels, the complement (1 - x) of another
// image: the inverted copy of a framed block and its page-polarity canvas are
// such a pair. Keeping only the pixels where the pair disagrees lets a buffer
// be lent out and given back without saving a copy of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// The pixels of a buffer that differ from the complement of a source image,
// as horizontal runs in page coordinates.
struct ComplementDiff {
    struct Run {
        int row = 0;
        int x = 0;
        int length = 0;
        std::size_t offset = 0; // into `values`
    };
    std::vector<Run> runs;
    std::vector<std::uint8_t> values; // the buffer's pixels along the runs
};

// The complement of a pixel as a saturating 1 - x: 1 for 0, else 0.
inline std::uint8_t complementOf(std::uint8_t x) {
    return x == 0 ? 1 : 0;
}

// Records where `buffer` differs from the complement of `source` within
// `area` (both CV_8UC1 of one size; `area` inside them), with the buffer's
// values there. Reads only `area`; writes nothing.
ComplementDiff diffFromComplement(const cv::Mat& source, const cv::Mat& buffer,
                                  const cv::Rect& area);

// Makes `buffer` the complement of `source` within `area`, then writes the
// recorded pixels back: the buffer is again what it was when `diff` was
// recorded, provided `source` is too.
void restoreFromComplement(const cv::Mat& source, cv::Mat& buffer, const cv::Rect& area,
                           const ComplementDiff& diff);

} // namespace pagecut
