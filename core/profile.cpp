// SPDX-License-Identifier: Apache-2.0
#include "core/profile.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <opencv2/core.hpp>

namespace pagecut {

// The profiles are plain loops rather than cv::reduce: every level of the
// recursion takes them, and these loops vectorise well on 0/1 bytes.
cv::Mat rowProfile(const cv::Mat& view) {
    cv::Mat profile;
    if (view.empty())
        return profile;
    CV_Assert(view.type() == CV_8UC1);
    profile.create(view.rows, 1, CV_32S);
    for (int r = 0; r < view.rows; ++r)
        profile.at<std::int32_t>(r, 0) = inkInRow(view.ptr<std::uint8_t>(r), view.cols);
    return profile;
}

namespace {

// Adds the rows [r0, r1) of `view` into `counts` (set to 0 first), one byte
// per column; at most 255 rows. False, with `counts` unfinished, when a pixel
// is above 1 and the bytes could overflow.
bool countBinaryRows(const cv::Mat& view, int r0, int r1, std::uint8_t* __restrict counts) {
    const int cols = view.cols;
    std::fill(counts, counts + cols, std::uint8_t(0));
    int r = r0;
    // Four rows a turn: their sum per column (at most 4) is made in registers
    // and the counts are read and written once for the four.
    for (; r + 4 <= r1; r += 4) {
        const std::uint8_t* __restrict a = view.ptr<std::uint8_t>(r);
        const std::uint8_t* __restrict b = view.ptr<std::uint8_t>(r + 1);
        const std::uint8_t* __restrict c = view.ptr<std::uint8_t>(r + 2);
        const std::uint8_t* __restrict d = view.ptr<std::uint8_t>(r + 3);
        std::uint8_t high = 0;
        for (int x = 0; x < cols; ++x) {
            counts[x] = static_cast<std::uint8_t>(counts[x] + a[x] + b[x] + c[x] + d[x]);
            high |= a[x] | b[x] | c[x] | d[x];
        }
        if (high > 1)
            return false;
    }
    for (; r < r1; ++r) {
        const std::uint8_t* __restrict row = view.ptr<std::uint8_t>(r);
        std::uint8_t high = 0;
        for (int x = 0; x < cols; ++x) {
            counts[x] = static_cast<std::uint8_t>(counts[x] + row[x]);
            high |= row[x];
        }
        if (high > 1)
            return false;
    }
    return true;
}

} // namespace

cv::Mat columnProfile(const cv::Mat& view) {
    cv::Mat profile;
    if (view.empty())
        return profile;
    CV_Assert(view.type() == CV_8UC1);
    profile = cv::Mat::zeros(1, view.cols, CV_32S);
    std::int32_t* sums = profile.ptr<std::int32_t>(0);
    const int cols = view.cols;
    // Byte partial sums add 16 columns a step; a chunk of at most 255 rows of
    // bytes up to 1 cannot overflow them. Pixels above 1 (not produced by the
    // segmentation) take the exact 32-bit path.
    constexpr int kChunkRows = 255;
    std::vector<std::uint8_t> counts(cols);
    for (int r0 = 0; r0 < view.rows; r0 += kChunkRows) {
        const int r1 = std::min(view.rows, r0 + kChunkRows);
        if (countBinaryRows(view, r0, r1, counts.data())) {
            for (int c = 0; c < cols; ++c)
                sums[c] += counts[c];
            continue;
        }
        for (int r = r0; r < r1; ++r) {
            const std::uint8_t* row = view.ptr<std::uint8_t>(r);
            for (int c = 0; c < cols; ++c)
                sums[c] += row[c];
        }
    }
    return profile;
}

std::int32_t inkInRow(const std::uint8_t* row, int length) {
    std::int32_t sum = 0;
    int c = 0;
#if defined(__SSE2__)
    // Sum of absolute differences against zero adds 16 bytes in one step;
    // four of them a turn keep the loop's own work small.
    const auto sumOf = [&](int at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at));
        return _mm_sad_epu8(bytes, _mm_setzero_si128());
    };
    __m128i total = _mm_setzero_si128();
    for (; c + 64 <= length; c += 64) {
        const __m128i low = _mm_add_epi64(sumOf(c), sumOf(c + 16));
        const __m128i high = _mm_add_epi64(sumOf(c + 32), sumOf(c + 48));
        total = _mm_add_epi64(total, _mm_add_epi64(low, high));
    }
    for (; c + 16 <= length; c += 16)
        total = _mm_add_epi64(total, sumOf(c));
    sum += static_cast<std::int32_t>(_mm_cvtsi128_si32(total) +
                                     _mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
#endif
    for (; c < length; ++c)
        sum += row[c];
    return sum;
}

bool rowHasInk(const std::uint8_t* row, int length) {
    int c = 0;
#if defined(__SSE2__)
    // 64 bytes ORed together and tested once.
    for (; c + 64 <= length; c += 64) {
        const auto load = [&](int k) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + c + 16 * k));
        };
        const __m128i any =
            _mm_or_si128(_mm_or_si128(load(0), load(1)), _mm_or_si128(load(2), load(3)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF)
            return true;
    }
#endif
    for (; c + 8 <= length; c += 8) {
        if (!eightBlank(row + c))
            return true;
    }
    for (; c < length; ++c) {
        if (row[c] != 0)
            return true;
    }
    return false;
}

cv::Mat profileValues(const cv::Mat& profile) {
    return profile.isContinuous() ? profile : profile.clone();
}

RunList nonzeroRuns(const cv::Mat& profile) {
    const cv::Mat values = profileValues(profile);
    const std::int32_t* v = values.ptr<std::int32_t>();
    return findRuns(static_cast<int>(values.total()), [v](int i) { return v[i] != 0; });
}

RunList longInkRuns(const std::uint8_t* row, int length, int minLength) {
    RunList runs;
    for (int probe = 0; probe < length; probe += minLength) {
        if (row[probe] == 0)
            continue;
        int start = probe, end = probe + 1;
        while (start > 0 && row[start - 1] != 0)
            --start;
        while (end < length && row[end] != 0)
            ++end;
        if (end - start >= minLength)
            runs.insert(runs.end(), {start, end});
        // The next probe lies past the run.
        probe = (end - 1) / minLength * minLength;
    }
    return runs;
}

RunList findProfileRuns(const cv::Mat& profile, std::int32_t fullScale, const Region& region,
                        std::int32_t noise, bool excludeFull) {
    std::int32_t threshold = noise;
    std::int32_t margin = std::min(fullScale / 10, 10);
    if (region.inverted) {
        threshold = 0;
        margin = 0;
    }
    // Compared in 64 bits so that an extreme full scale cannot overflow.
    const std::int64_t fullLimit = std::int64_t(fullScale) - margin;
    const cv::Mat values = profileValues(profile);
    const std::int32_t* v = values.ptr<std::int32_t>();
    const auto aboveNoise = [v, threshold](int i) { return v[i] > threshold; };
    return findRuns(
        static_cast<int>(values.total()),
        [&](int i) { return aboveNoise(i) && (!excludeFull || v[i] < fullLimit); }, aboveNoise);
}

RunList blockColumnRuns(const cv::Mat& image, const Region& region,
                        const SegmentationParams& params) {
    return findProfileRuns(columnProfile(image(region.rect)), region.rect.height, region,
                           params.noiseLevel, params.skipRuleCols);
}

RunList blockRowRuns(const cv::Mat& image, const Region& region, const SegmentationParams& params) {
    return findProfileRuns(rowProfile(image(region.rect)), region.rect.width, region,
                           params.noiseLevel, params.skipRuleRows);
}

RunList closeGaps(const RunList& runs, std::int32_t minimum) {
    if (runs.size() < 2)
        return runs;
    RunList closed{runs[0], runs[1]};
    for (std::size_t i = 2; i + 1 < runs.size(); i += 2) {
        if (runs[i] - closed.back() < minimum)
            closed.back() = runs[i + 1];
        else
            closed.insert(closed.end(), {runs[i], runs[i + 1]});
    }
    return closed;
}

std::vector<Region> regionsFromRuns(const cv::Mat& image, const Region& parent, RunList runs,
                                    SlabAxis axis) {
    std::vector<Region> children;
    if (runs.size() < 2)
        return children;
    for (std::size_t j = 0; j + 1 < runs.size(); j += 2) {
        const std::int32_t start = runs[j];
        const std::int32_t end = runs[j + 1];
        cv::Rect candidate;
        if (axis == SlabAxis::Columns)
            candidate = cv::Rect(parent.rect.x + start, parent.rect.y, end - start, image.rows);
        else
            candidate = cv::Rect(parent.rect.x, parent.rect.y + start, image.cols, end - start);
        const cv::Rect clipped = candidate & parent.rect;
        if (clipped.width <= 5)
            continue;
        Region child;
        child.rect = clipped;
        child.lineGap = 0;
        child.depth = parent.depth;
        child.inverted = parent.inverted;
        child.inCell = parent.inCell;
        children.push_back(child);
    }
    if (children.size() == 1 && children.front().rect == parent.rect)
        children.clear();
    return children;
}

cv::Rect clipToImage(const cv::Rect& rect, const cv::Mat& image) {
    return rect & cv::Rect(0, 0, image.cols, image.rows);
}

void complementInto(const cv::Mat& binary, cv::Mat& out) {
    cv::subtract(cv::Scalar::all(1), binary, out);
}

std::int64_t inkInside(const cv::Mat& image, const cv::Rect& rect) {
    const cv::Rect clipped = clipToImage(rect, image);
    if (clipped.empty())
        return 0;
    return static_cast<std::int64_t>(cv::sum(image(clipped))[0]);
}

std::int32_t upperMedian(std::vector<std::int32_t> values) {
    const auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace pagecut
