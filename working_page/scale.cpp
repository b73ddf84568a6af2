// SPDX-License-Identifier: Apache-2.0
#include "working_page/scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "core/profile.h"
#include "segment/page_passes.h"
#include "working_page/ink_components.h"

namespace pagecut {

namespace {

constexpr int kMinGlyphs = 20;
constexpr double kMinScale = 0.2;
// Small print is enlarged at most twice: the work grows with the square of
// the factor, and enlarging further gained nothing worth its cost.
constexpr double kMaxScale = 2.0;
constexpr double kMaxScaledPixels = 16e6;
constexpr double kUnknownTextHeight = 10.0;
constexpr double kEdgeInkReach = 8.0;
constexpr double kFullEstimatePixels = 4e6;

// The count of each grey value. Four partial counts keep successive equal
// pixels (most of a page is paper) from waiting on one another's increment,
// which makes this about three times quicker than cv::calcHist.
std::array<std::int64_t, 256> greyHistogram(const cv::Mat& grey) {
    std::array<std::array<std::int64_t, 256>, 4> partial{};
    for (int y = 0; y < grey.rows; ++y) {
        const std::uint8_t* row = grey.ptr<std::uint8_t>(y);
        int x = 0;
        for (; x + 4 <= grey.cols; x += 4) {
            ++partial[0][row[x]];
            ++partial[1][row[x + 1]];
            ++partial[2][row[x + 2]];
            ++partial[3][row[x + 3]];
        }
        for (; x < grey.cols; ++x)
            ++partial[0][row[x]];
    }
    std::array<std::int64_t, 256> histogram{};
    for (int v = 0; v < 256; ++v)
        histogram[v] = partial[0][v] + partial[1][v] + partial[2][v] + partial[3][v];
    return histogram;
}

// The share of a page's pixels that must lie at its darkest or lightest value
// for it to count as a bilevel page that was resampled.
constexpr double kResampledBilevelShare = 0.75;

// The fixed threshold for the page, or -1 for Otsu's. A page of at most two
// grey values keeps the program's own rule (all but pure white is ink). A
// bilevel page that was turned or rescaled has grey only along the edges of
// its strokes; the midpoint keeps the strokes at their width, where Otsu's
// threshold, drawn up by the many edge pixels, would thicken some lines and
// not others as the edges fall between pixels.
int fixedThreshold(const cv::Mat& grey) {
    const std::array<std::int64_t, 256> histogram = greyHistogram(grey);
    int darkest = 255, lightest = 0, distinct = 0;
    for (int v = 0; v < 256; ++v) {
        if (histogram[v] == 0)
            continue;
        darkest = std::min(darkest, v);
        lightest = std::max(lightest, v);
        ++distinct;
    }
    if (distinct <= 2)
        return 254;
    const double extremes = static_cast<double>(histogram[darkest] + histogram[lightest]);
    if (extremes < kResampledBilevelShare * static_cast<double>(grey.total()))
        return -1;
    // Mixing ink and paper puts about as many edge pixels on the dark side
    // of the middle as on the light one. Faint grey ink on paper that the
    // scanner clipped to white lies mostly on the light side, and the
    // middle would lose it: Otsu's threshold is kept for such a page.
    const int middle = (darkest + lightest) / 2;
    std::int64_t dark = 0, notPaper = 0;
    for (int v = darkest; v < lightest; ++v) {
        notPaper += histogram[v];
        dark += v <= middle ? histogram[v] : 0;
    }
    return dark * 3 >= notPaper ? middle : -1;
}

// Ink as `inkValue`, paper as 0.
cv::Mat threshold(const cv::Mat& grey, int inkValue) {
    cv::Mat ink;
    if (const int level = fixedThreshold(grey); level >= 0)
        cv::threshold(grey, ink, level, inkValue, cv::THRESH_BINARY_INV);
    else
        cv::threshold(grey, ink, 0, inkValue, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
    return ink;
}

// Any ink in a 2 x 2 cell: glyphs keep their shape at half the size.
cv::Mat halfSize(const cv::Mat& ink) {
    cv::Mat half;
    cv::resize(ink, half, cv::Size((ink.cols + 1) / 2, (ink.rows + 1) / 2), 0, 0, cv::INTER_AREA);
    return half;
}

void blankOutside(cv::Mat& ink, const PageBox& box) {
    if (isWholePage(box))
        return;
    const cv::Rect inside = boxArea(box, ink.size());
    cv::Mat kept = cv::Mat::zeros(ink.size(), CV_8UC1);
    if (!inside.empty())
        ink(inside).copyTo(kept(inside));
    ink = kept;
}

} // namespace

cv::Mat thresholdInk(const cv::Mat& grey) {
    return threshold(grey, 1);
}

namespace {

bool measuredAtHalfSize(const cv::Mat& ink) {
    return static_cast<double>(ink.cols) * ink.rows > kFullEstimatePixels;
}

// The median height of the character-sized components, or 0.
double medianGlyphHeight(const cv::Mat& ink) {
    std::vector<std::int32_t> heights;
    for (const InkComponent& component : inkComponents(ink).components) {
        const int w = component.box.width;
        const int h = component.box.height;
        if (h >= 3 && h <= ink.rows / 10 && w <= 4 * h && component.area >= 6)
            heights.push_back(h);
    }
    if (static_cast<int>(heights.size()) < kMinGlyphs)
        return 0;
    return upperMedian(std::move(heights));
}

} // namespace

double estimateTextHeight(const cv::Mat& ink) {
    return estimateTextHeight(ink, measuredAtHalfSize(ink) ? halfSize(ink > 0) : cv::Mat());
}

double estimateTextHeight(const cv::Mat& ink, const cv::Mat& half) {
    if (measuredAtHalfSize(ink))
        return 2 * medianGlyphHeight(half >= 128);
    return medianGlyphHeight(ink);
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
    return rescaleInk(ink, scale, 1);
}

cv::Mat rescaleInk(const cv::Mat& ink, double scale, int inkValue) {
    const cv::Size size(std::max(1, static_cast<int>(std::lround(ink.cols * scale))),
                        std::max(1, static_cast<int>(std::lround(ink.rows * scale))));
    cv::Mat full = inkValue == 255 ? ink : ink * (255 / inkValue);
    // Area averages of 2 x 2 averages are the area averages: a quicker start.
    while (scale <= 0.5 && full.cols > 1 && full.rows > 1) {
        full = halfSize(full);
        scale *= 2;
    }
    cv::Mat scaled;
    if (full.size() == size)
        scaled = full;
    else
        cv::resize(full, scaled, size, 0, 0, cv::INTER_LINEAR);
    cv::Mat out;
    cv::threshold(scaled, out, 127, 1, cv::THRESH_BINARY);
    return out;
}

cv::Mat removeEdgeInk(cv::Mat& ink, const cv::Rect& frame, double textHeight) {
    const InkComponents found = inkComponents(ink);
    const int reach = static_cast<int>(std::lround(kEdgeInkReach * textHeight));
    // Each component's value in the ink map.
    std::vector<std::uint8_t> kind(found.components.size());
    for (std::size_t k = 0; k < found.components.size(); ++k) {
        const cv::Rect& r = found.components[k].box;
        const bool touches = r.x <= frame.x || r.y <= frame.y || r.br().x >= frame.br().x ||
                             r.br().y >= frame.br().y;
        const bool glyph =
            r.height >= 0.5 * textHeight && r.height <= 3 * textHeight && r.width <= 6 * textHeight;
        kind[k] = touches && std::max(r.width, r.height) >= reach ? kEdgeInk
                  : glyph                                         ? kGlyphInk
                                                                  : kOtherInk;
    }
    // Blank pixels stay as they are.
    cv::Mat glyphs = cv::Mat::zeros(ink.size(), CV_8UC1);
    for (const InkRun& run : found.runs) {
        const std::uint8_t k = kind[run.component];
        std::uint8_t* row = ink.ptr<std::uint8_t>(run.y);
        std::uint8_t* glyphRow = glyphs.ptr<std::uint8_t>(run.y);
        std::fill(row + run.x0, row + run.x1, k != kEdgeInk);
        std::fill(glyphRow + run.x0, glyphRow + run.x1, k);
    }
    return glyphs;
}

ScaledPage scalePage(const cv::Mat& grey, const PageBox& box) {
    ScaledPage page;
    cv::Mat ink = threshold(grey, 255);
    blankOutside(ink, box);
    // A large page is measured at half size, and a page to be halved or more
    // is scaled from that half.
    const cv::Mat half = measuredAtHalfSize(ink) ? halfSize(ink) : cv::Mat();
    const double textHeight = estimateTextHeight(ink, half);
    page.scale = pageScale(textHeight, ink.size());
    page.ink = half.empty() || page.scale > 0.5
                   ? rescaleInk(ink, page.scale, 255)
                   : rescaleInk(half, page.scale * ink.cols / half.cols, 255);
    page.textHeight = textHeight > 0 ? textHeight * page.scale : kUnknownTextHeight;
    const cv::Rect frame = boxArea(box, ink.size());
    const cv::Rect scaledFrame(
        cv::Point(static_cast<int>(frame.x * page.scale), static_cast<int>(frame.y * page.scale)),
        cv::Point(static_cast<int>(std::ceil(frame.br().x * page.scale)),
                  static_cast<int>(std::ceil(frame.br().y * page.scale))));
    page.glyphs = removeEdgeInk(page.ink, scaledFrame, page.textHeight);
    return page;
}

} // namespace pagecut
