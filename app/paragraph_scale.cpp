// SPDX-License-Identifier: Apache-2.0
#include "app/paragraph_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace pagecut {

namespace {

constexpr int kMinGlyphs = 20;
constexpr double kMinScale = 0.2;
constexpr double kMaxScale = 4.0;
constexpr double kMaxScaledPixels = 40e6;
constexpr double kUnknownTextHeight = 10.0;
constexpr double kEdgeInkReach = 8.0;

int distinctValues(const cv::Mat& grey) {
    std::vector<std::uint8_t> seen(256, 0);
    for (int r = 0; r < grey.rows; ++r) {
        const std::uint8_t* row = grey.ptr<std::uint8_t>(r);
        for (int c = 0; c < grey.cols; ++c)
            seen[row[c]] = 1;
    }
    return static_cast<int>(std::count(seen.begin(), seen.end(), 1));
}

void blankOutside(cv::Mat& ink, const PageBox& box) {
    if (box.x0 == 0 && box.y0 == 0 && box.x1 == 0 && box.y1 == 0)
        return;
    const cv::Rect inside = cv::Rect(box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0) &
                            cv::Rect(0, 0, ink.cols, ink.rows);
    cv::Mat kept = cv::Mat::zeros(ink.size(), CV_8UC1);
    if (!inside.empty())
        ink(inside).copyTo(kept(inside));
    ink = kept;
}

// Wipes, on one row, every run of long-vertical-run pixels that is thin
// enough to be a rule, with `margin` columns on each side.
void wipeThinRuns(const std::uint8_t* longRun, std::uint8_t* ink, int cols, int maxWidth,
                  int margin) {
    int c = 0;
    while (c < cols) {
        if (longRun[c] == 0) {
            ++c;
            continue;
        }
        const int start = c;
        while (c < cols && longRun[c] != 0)
            ++c;
        if (c - start > maxWidth)
            continue;
        std::fill(ink + std::max(0, start - margin), ink + std::min(cols, c + margin), 0);
    }
}

// Marks the pixels of vertical ink runs at least `minLength` long.
cv::Mat longVerticalRuns(const cv::Mat& ink, int minLength) {
    cv::Mat marked = cv::Mat::zeros(ink.size(), CV_8UC1);
    std::vector<int> start(ink.cols, -1);
    for (int r = 0; r <= ink.rows; ++r) {
        const std::uint8_t* row = r < ink.rows ? ink.ptr<std::uint8_t>(r) : nullptr;
        for (int c = 0; c < ink.cols; ++c) {
            const bool on = row != nullptr && row[c] != 0;
            if (on && start[c] < 0)
                start[c] = r;
            if (on || start[c] < 0)
                continue;
            if (r - start[c] >= minLength)
                marked(cv::Range(start[c], r), cv::Range(c, c + 1)).setTo(1);
            start[c] = -1;
        }
    }
    return marked;
}

} // namespace

cv::Mat thresholdInk(const cv::Mat& grey) {
    cv::Mat ink;
    if (distinctValues(grey) <= 2) {
        cv::compare(grey, 255, ink, cv::CMP_NE);
        return ink / 255;
    }
    cv::threshold(grey, ink, 0, 1, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
    return ink;
}

double estimateTextHeight(const cv::Mat& ink) {
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    std::vector<int> heights;
    for (int k = 1; k < count; ++k) {
        const int w = stats.at<int>(k, cv::CC_STAT_WIDTH);
        const int h = stats.at<int>(k, cv::CC_STAT_HEIGHT);
        const int area = stats.at<int>(k, cv::CC_STAT_AREA);
        if (h >= 3 && h <= ink.rows / 10 && w <= 4 * h && area >= 6)
            heights.push_back(h);
    }
    if (static_cast<int>(heights.size()) < kMinGlyphs)
        return 0;
    auto middle = heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2);
    std::nth_element(heights.begin(), middle, heights.end());
    return *middle;
}

double pageScale(double textHeight, cv::Size page) {
    if (textHeight <= 0)
        return 1;
    double scale = std::clamp(kNominalTextHeight / textHeight, kMinScale, kMaxScale);
    const double pixels = static_cast<double>(page.width) * page.height;
    const double allowed = std::max(pixels, kMaxScaledPixels);
    if (pixels > 0 && pixels * scale * scale > allowed)
        scale = std::max(1.0, std::sqrt(allowed / pixels));
    return scale;
}

cv::Mat rescaleInk(const cv::Mat& ink, double scale) {
    if (scale == 1)
        return ink.clone();
    const cv::Size size(std::max(1, static_cast<int>(std::lround(ink.cols * scale))),
                        std::max(1, static_cast<int>(std::lround(ink.rows * scale))));
    cv::Mat scaled;
    cv::resize(ink * 255, scaled, size, 0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
    cv::Mat out;
    cv::threshold(scaled, out, 127, 1, cv::THRESH_BINARY);
    return out;
}

void removeVerticalRules(cv::Mat& ink, double textHeight) {
    const int minLength = std::max(3, static_cast<int>(std::lround(4 * textHeight)));
    const int maxWidth = std::max(1, static_cast<int>(textHeight / 3));
    const int margin = std::max(1, static_cast<int>(std::lround(textHeight / 2)));
    const cv::Mat marked = longVerticalRuns(ink, minLength);
    for (int r = 0; r < ink.rows; ++r)
        wipeThinRuns(marked.ptr<std::uint8_t>(r), ink.ptr<std::uint8_t>(r), ink.cols, maxWidth,
                     margin);
}

void removeEdgeInk(cv::Mat& ink, const cv::Rect& frame, double textHeight) {
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    const int reach = static_cast<int>(std::lround(kEdgeInkReach * textHeight));
    std::vector<std::uint8_t> wipe(count, 0);
    for (int k = 1; k < count; ++k) {
        const cv::Rect r(stats.at<int>(k, cv::CC_STAT_LEFT), stats.at<int>(k, cv::CC_STAT_TOP),
                         stats.at<int>(k, cv::CC_STAT_WIDTH), stats.at<int>(k, cv::CC_STAT_HEIGHT));
        const bool touches = r.x <= frame.x || r.y <= frame.y || r.br().x >= frame.br().x ||
                             r.br().y >= frame.br().y;
        wipe[k] = touches && std::max(r.width, r.height) >= reach;
    }
    for (int y = 0; y < ink.rows; ++y) {
        const int* label = labels.ptr<int>(y);
        std::uint8_t* row = ink.ptr<std::uint8_t>(y);
        for (int x = 0; x < ink.cols; ++x)
            row[x] = wipe[label[x]] ? 0 : row[x];
    }
}

ScaledPage scalePage(const cv::Mat& grey, const PageBox& box) {
    ScaledPage page;
    cv::Mat ink = thresholdInk(grey);
    blankOutside(ink, box);
    const double textHeight = estimateTextHeight(ink);
    page.scale = pageScale(textHeight, ink.size());
    page.ink = rescaleInk(ink, page.scale);
    page.textHeight = textHeight > 0 ? textHeight * page.scale : kUnknownTextHeight;
    const bool wholePage = box.x0 == 0 && box.y0 == 0 && box.x1 == 0 && box.y1 == 0;
    const cv::Rect frame = wholePage ? cv::Rect(0, 0, ink.cols, ink.rows)
                                     : cv::Rect(box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
    const cv::Rect scaledFrame(
        cv::Point(static_cast<int>(frame.x * page.scale), static_cast<int>(frame.y * page.scale)),
        cv::Point(static_cast<int>(std::ceil(frame.br().x * page.scale)),
                  static_cast<int>(std::ceil(frame.br().y * page.scale))));
    removeEdgeInk(page.ink, scaledFrame, page.textHeight);
    removeVerticalRules(page.ink, page.textHeight);
    return page;
}

} // namespace pagecut
