// SPDX-License-Identifier: Apache-2.0
#include "working_page/page_frame.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pagecut {

namespace {

// The corners of `r` (as a continuous area: the right and bottom edges lie
// one past the last pixel) on the page.
std::array<cv::Point2d, 4> cornersOnPage(const cv::Rect& r, const PageFrame& frame) {
    const double x0 = r.x, y0 = r.y, x1 = r.x + r.width, y1 = r.y + r.height;
    const std::array<cv::Point2d, 4> corners = {cv::Point2d(x0, y0), cv::Point2d(x1, y0),
                                                cv::Point2d(x1, y1), cv::Point2d(x0, y1)};
    std::array<cv::Point2d, 4> out;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        const cv::Vec3d p(corners[k].x, corners[k].y, 1);
        const cv::Vec2d scaled = frame.toScaled * p;
        out[k] = cv::Point2d(scaled[0] / frame.scale, scaled[1] / frame.scale);
    }
    return out;
}

int clampTo(double v, int size) {
    if (!(v > 0)) // also NaN
        return 0;
    return static_cast<int>(std::min<double>(v, size - 1));
}

} // namespace

cv::Rect unscaleRect(const cv::Rect& r, double scale, cv::Size page) {
    const int x0 = static_cast<int>(std::floor(r.x / scale));
    const int y0 = static_cast<int>(std::floor(r.y / scale));
    const int x1 = static_cast<int>(std::ceil((r.x + r.width) / scale));
    const int y1 = static_cast<int>(std::ceil((r.y + r.height) / scale));
    return cv::Rect(x0, y0, x1 - x0, y1 - y0) & cv::Rect(0, 0, page.width, page.height);
}

cv::Rect boxOnPage(const cv::Rect& r, const PageFrame& frame) {
    if (frame.straight)
        return unscaleRect(r, frame.scale, frame.page);
    const std::array<cv::Point2d, 4> corners = cornersOnPage(r, frame);
    double x0 = corners[0].x, y0 = corners[0].y, x1 = x0, y1 = y0;
    for (const cv::Point2d& c : corners) {
        x0 = std::min(x0, c.x), y0 = std::min(y0, c.y);
        x1 = std::max(x1, c.x), y1 = std::max(y1, c.y);
    }
    // Clipped in floating point first: a corner far off the page must not
    // overflow an int.
    const cv::Rect2d clipped = cv::Rect2d(x0, y0, x1 - x0, y1 - y0) &
                               cv::Rect2d(0, 0, frame.page.width, frame.page.height);
    if (clipped.empty())
        return cv::Rect();
    // Rounding noise of the rotation must not widen a box by a pixel.
    constexpr double kNoise = 1e-6;
    const int left = static_cast<int>(std::floor(clipped.x + kNoise));
    const int top = static_cast<int>(std::floor(clipped.y + kNoise));
    const int right = static_cast<int>(std::ceil(clipped.x + clipped.width - kNoise));
    const int bottom = static_cast<int>(std::ceil(clipped.y + clipped.height - kNoise));
    return cv::Rect(left, top, right - left, bottom - top);
}

Outline outlineOnPage(const cv::Rect& r, const PageFrame& frame) {
    if (frame.straight) {
        const cv::Rect b = boxOnPage(r, frame);
        const int x1 = std::max(b.x, b.x + b.width - 1), y1 = std::max(b.y, b.y + b.height - 1);
        return {cv::Point(b.x, b.y), cv::Point(x1, b.y), cv::Point(x1, y1), cv::Point(b.x, y1)};
    }
    const std::array<cv::Point2d, 4> corners = cornersOnPage(r, frame);
    const cv::Point2d centre = (corners[0] + corners[2]) * 0.5;
    Outline outline;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        // The corners lie on pixel edges; the pixel half a step inward is
        // the block's own.
        const cv::Point2d c = corners[k];
        const double x = c.x + (centre.x > c.x ? 0.5 : -0.5);
        const double y = c.y + (centre.y > c.y ? 0.5 : -0.5);
        outline[k] = cv::Point(clampTo(std::floor(x), frame.page.width),
                               clampTo(std::floor(y), frame.page.height));
    }
    return outline;
}

} // namespace pagecut
