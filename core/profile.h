// SPDX-License-Identifier: Apache-2.0
// Projection profiles and the runs found in them: the primitives from which
// every cut of the segmentation is made.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

// Flat list of profile indices read as pairs (start, end), end exclusive.
using RunList = std::vector<std::int32_t>;

// Which axis a RunList indexes: Columns makes vertical strips, Rows bands.
enum class SlabAxis { Columns, Rows };

// Ink count per row of `view`: a rows x 1 matrix of int32. An empty view
// gives an empty matrix.
cv::Mat rowProfile(const cv::Mat& view);

// Ink count per column of `view`: a 1 x cols matrix of int32.
cv::Mat columnProfile(const cv::Mat& view);

// Sum of the first `length` bytes of `row`.
std::int32_t inkInRow(const std::uint8_t* row, int length);

// True when any of the first `length` bytes of `row` is not 0.
bool rowHasInk(const std::uint8_t* row, int length);

// True when the eight bytes at `pixels` are all 0. Inline, unlike rowHasInk:
// the pixel loops that skip blank paper eight pixels at a time ask it once
// per eight pixels, where a call would cost more than the test.
inline bool eightBlank(const std::uint8_t* pixels) {
    std::uint64_t word;
    std::memcpy(&word, pixels, sizeof word);
    return word == 0;
}

// Calls visit(start, end) for each run [start, end) of nonzero bytes among
// the first `length` of `row`, left to right. Most of a page is paper: blank
// stretches are passed eight bytes at a time.
template <typename Visit> void forEachInkRun(const std::uint8_t* row, int length, Visit visit) {
    int x = 0;
    while (x < length) {
        while (x + 8 <= length && eightBlank(row + x))
            x += 8;
        while (x < length && row[x] == 0)
            ++x;
        if (x == length)
            return;
        const int start = x;
        while (x < length && row[x] != 0)
            ++x;
        visit(start, x);
    }
}

// The runs of consecutive indices of [0, count) that `continues` admits and
// whose first index `opens` admits too, as pairs (start, end) in a RunList.
// `opens` must admit no index that `continues` refuses. The runs of the
// profiles, of blank rows and of rule rows are all found by this one loop.
template <typename Opens, typename Continues>
RunList findRuns(int count, Opens opens, Continues continues) {
    RunList runs;
    bool inside = false;
    for (int i = 0; i < count; ++i) {
        if (inside ? !continues(i) : opens(i)) {
            runs.push_back(i);
            inside = !inside;
        }
    }
    if (inside)
        runs.push_back(count);
    return runs;
}

// The runs of consecutive indices of [0, count) that `inRun` admits.
template <typename InRun> RunList findRuns(int count, InRun inRun) {
    return findRuns(count, inRun, inRun);
}

// The values of an int32 profile (one row or one column, or any matrix read
// row by row), in one block: `profile` itself, or a copy of a strided view.
cv::Mat profileValues(const cv::Mat& profile);

// The runs of nonzero entries of an int32 profile.
RunList nonzeroRuns(const cv::Mat& profile);

// The runs of nonzero bytes of a row of `length` pixels that are at least
// `minLength` long (at least 1). Only every minLength-th byte is read until
// one is ink, since a run that long covers one of them: long rules on a
// mostly blank row are found quickly.
RunList longInkRuns(const std::uint8_t* row, int length, int minLength);

// Runs of elements above the noise threshold. With `excludeFull` a run may not
// open at an element within a margin of `fullScale` (a rule line). An inverted
// region uses threshold 0 and no margin.
RunList findProfileRuns(const cv::Mat& profile, std::int32_t fullScale, const Region& region,
                        std::int32_t noise, bool excludeFull);

// The runs of a block's column profile (full scale: its height), with the
// pass's noise level and skipRuleCols.
RunList blockColumnRuns(const cv::Mat& image, const Region& region,
                        const SegmentationParams& params);

// The runs of a block's row profile (full scale: its width), with the pass's
// noise level and skipRuleRows.
RunList blockRowRuns(const cv::Mat& image, const Region& region, const SegmentationParams& params);

// Joins each run to the one before it when the gap between them is less than
// `minimum` (strictly); a minimum of 0 or less joins nothing.
RunList closeGaps(const RunList& runs, std::int32_t minimum);

// Turns each pair of `runs` into a child of `parent` along `axis`, clipped to
// the parent. Children 5 pixels wide or less are dropped; a single child equal
// to the parent means no division and gives an empty list.
std::vector<Region> regionsFromRuns(const cv::Mat& image, const Region& parent, RunList runs,
                                    SlabAxis axis);

// The part of `rect` that lies inside `image` (empty when none does).
cv::Rect clipToImage(const cv::Rect& rect, const cv::Mat& image);

// Writes the complement 1 - x of a 0/1 image into `out` (saturating, so any
// value but 0 becomes 0); `out` may be a view of the right size, which is
// then written in place.
void complementInto(const cv::Mat& binary, cv::Mat& out);

// Sum of the pixels of `image` inside `rect` after clipping it to the image,
// truncated to an integer (0 for a rectangle wholly outside).
std::int64_t inkInside(const cv::Mat& image, const cv::Rect& rect);

// The element at index n / 2 of the sorted values (upper middle for even n).
// `values` must not be empty.
std::int32_t upperMedian(std::vector<std::int32_t> values);

} // namespace pagecut
