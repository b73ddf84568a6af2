// SPDX-License-Identifier: Apache-2.0
#include "segment/complement.h"

#include <cstring>

#include <opencv2/core.hpp>

#include "core/profile.h"

namespace pagecut {

namespace {

// True when some pixel of the row breaks the complement; a branch-free pass
// so that the common case, a row that agrees, costs one vectorised sweep.
bool rowDiffers(const std::uint8_t* source, const std::uint8_t* buffer, int length) {
    std::uint8_t differs = 0;
    for (int c = 0; c < length; ++c)
        differs |= static_cast<std::uint8_t>(buffer[c] != complementOf(source[c]));
    return differs != 0;
}

} // namespace

ComplementDiff diffFromComplement(const cv::Mat& source, const cv::Mat& buffer,
                                  const cv::Rect& area) {
    CV_Assert(source.type() == CV_8UC1 && buffer.type() == CV_8UC1 &&
              source.size() == buffer.size());
    CV_Assert(clipToImage(area, source) == area);
    ComplementDiff diff;
    for (int r = area.y; r < area.y + area.height; ++r) {
        const std::uint8_t* src = source.ptr<std::uint8_t>(r) + area.x;
        const std::uint8_t* buf = buffer.ptr<std::uint8_t>(r) + area.x;
        if (!rowDiffers(src, buf, area.width))
            continue;
        int c = 0;
        while (c < area.width) {
            if (buf[c] == complementOf(src[c])) {
                ++c;
                continue;
            }
            const int start = c;
            while (c < area.width && buf[c] != complementOf(src[c]))
                ++c;
            diff.runs.push_back({r, area.x + start, c - start, diff.values.size()});
            diff.values.insert(diff.values.end(), buf + start, buf + c);
        }
    }
    return diff;
}

void restoreFromComplement(const cv::Mat& source, cv::Mat& buffer, const cv::Rect& area,
                           const ComplementDiff& diff) {
    CV_Assert(source.type() == CV_8UC1 && buffer.type() == CV_8UC1 &&
              source.size() == buffer.size());
    if (area.empty())
        return;
    cv::Mat target = buffer(area);
    complementInto(source(area), target);
    for (const ComplementDiff::Run& run : diff.runs)
        std::memcpy(buffer.ptr<std::uint8_t>(run.row) + run.x, diff.values.data() + run.offset,
                    static_cast<std::size_t>(run.length));
}

} // namespace pagecut
