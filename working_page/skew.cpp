// SPDX-License-Identifier: Apache-2.0
#include "working_page/skew.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include <opencv2/core.hpp>

#include "core/profile.h"

namespace pagecut {

namespace {

// The method: the page is cut into narrow vertical strips, each reduced to
// its ink count per row. Two strips a distance d apart see the same text
// lines d tan(angle) rows apart, so the correlation of their counts, summed
// over all strips and a few distances, peaks at the lag of the lines' angle.
// Only nearby strips are paired, which keeps the columns of a page, whose
// lines need not be in step, from pairing with each other. A coarse search
// over the whole range on half the rows, then a fine one over longer
// distances. Lengths are in text heights.
constexpr double kStripWidth = 2;
constexpr double kCoarseReach = 8; // the farthest pair of the coarse search
constexpr double kFineReach = 16;  // and of the fine search
constexpr double kRangeDegrees = 7;
constexpr double kCoarseStep = 0.1;
constexpr double kFineSpread = 0.5; // the fine search: the coarse angle +- this
constexpr double kFineStep = 0.01;
// The best angle must beat the mean of the angles kFarDegrees or more away
// by this share: a picture or noise, with no direction, falls well short.
constexpr double kMinContrast = 0.2;
constexpr double kFarDegrees = 3;

constexpr int kMaxWidth = 128;
constexpr int kMaxBin = 4;
constexpr int kMaxCount = kMaxWidth * kMaxBin;
constexpr int kRowChunk = 4096;
static_assert(static_cast<std::int64_t>(kMaxCount) * kMaxCount * kRowChunk < INT32_MAX);

double tangent(double degrees) {
    return std::tan(degrees * CV_PI / 180.0);
}

// Ink (pixels of value 1) per row of each strip, strip by strip.
cv::Mat stripCounts(const cv::Mat& ink, int width) {
    const int strips = (ink.cols + width - 1) / width;
    cv::Mat counts(strips, ink.rows, CV_16S);
    for (int y = 0; y < ink.rows; ++y) {
        const std::uint8_t* row = ink.ptr<std::uint8_t>(y);
        for (int k = 0; k < strips; ++k) {
            const int x1 = std::min(ink.cols, (k + 1) * width);
            int n = 0;
            for (int x = k * width; x < x1; ++x)
                n += row[x] == 1;
            counts.at<std::int16_t>(k, y) = static_cast<std::int16_t>(n);
        }
    }
    return counts;
}

// The counts with rows summed `bin` at a time.
cv::Mat binRows(const cv::Mat& counts, int bin) {
    if (bin == 1)
        return counts;
    cv::Mat binned = cv::Mat::zeros(counts.rows, (counts.cols + bin - 1) / bin, CV_16S);
    for (int k = 0; k < counts.rows; ++k) {
        const std::int16_t* in = counts.ptr<std::int16_t>(k);
        std::int16_t* out = binned.ptr<std::int16_t>(k);
        for (int r = 0; r < counts.cols; ++r)
            out[r / bin] = static_cast<std::int16_t>(out[r / bin] + in[r]);
    }
    return binned;
}

// The correlation, summed over all strip pairs k, k + m, of the counts of
// strip k with those of strip k + m moved down by `lag` rows: a line that
// rises to the right is found `lag` rows higher in the strip to the right.
double pairCorrelation(const cv::Mat& counts, int m, int lag) {
    const int rows = counts.cols;
    const int r0 = std::max(0, lag), r1 = std::min(rows, rows + lag);
    double total = 0;
    for (int k = 0; k + m < counts.rows; ++k) {
        const std::int16_t* a = counts.ptr<std::int16_t>(k);
        const std::int16_t* b = counts.ptr<std::int16_t>(k + m);
        // Whole numbers, so that the sum vectorises, in chunks that cannot
        // overflow.
        for (int start = r0; start < r1; start += kRowChunk) {
            std::int32_t sum = 0;
            for (int r = start; r < std::min(r1, start + kRowChunk); ++r)
                sum += static_cast<std::int32_t>(a[r]) * b[r - lag];
            total += sum;
        }
    }
    return total;
}

// For each strip distance 1..n, the correlations over a range of lags.
struct Correlations {
    double stripWidth = 1; // in rows of the counts
    std::vector<int> first;
    std::vector<std::vector<double>> atLag;
};

// The correlations for the lags of the angles within `low`..`high` degrees,
// two lags more on each side. They are smoothed over 5 lags: the peak of
// sharp profiles falls between whole lags, and unsmoothed tables would pull
// the angle towards the ones whose lags are whole.
Correlations correlate(const cv::Mat& counts, int distances, double stripWidth, double low,
                       double high) {
    Correlations c;
    c.stripWidth = stripWidth;
    for (int m = 1; m <= distances && m < counts.rows; ++m) {
        const int first = static_cast<int>(std::floor(m * stripWidth * tangent(low))) - 2;
        const int last = static_cast<int>(std::ceil(m * stripWidth * tangent(high))) + 2;
        std::vector<double> raw;
        for (int lag = first - 2; lag <= last + 2; ++lag)
            raw.push_back(pairCorrelation(counts, m, lag));
        std::vector<double> smoothed;
        for (std::size_t i = 2; i + 2 < raw.size(); ++i)
            smoothed.push_back(
                (raw[i - 2] + 4 * raw[i - 1] + 6 * raw[i] + 4 * raw[i + 1] + raw[i + 2]) / 16);
        c.first.push_back(first);
        c.atLag.push_back(std::move(smoothed));
    }
    return c;
}

// The correlations of all distances at `degrees`, each read between its
// whole lags by cubic (Catmull-Rom) interpolation.
double score(const Correlations& c, double degrees) {
    const double t = tangent(degrees);
    double total = 0;
    for (std::size_t i = 0; i < c.atLag.size(); ++i) {
        const std::vector<double>& v = c.atLag[i];
        const double x = static_cast<double>(i + 1) * c.stripWidth * t - c.first[i];
        const int j = static_cast<int>(std::floor(x));
        if (j < 1 || j + 2 >= static_cast<int>(v.size()))
            continue;
        const double f = x - j;
        const double p0 = v[j - 1], p1 = v[j], p2 = v[j + 1], p3 = v[j + 2];
        total += p1 + 0.5 * f *
                          (p2 - p0 +
                           f * (2 * p0 - 5 * p1 + 4 * p2 - p3 + f * (3 * (p1 - p2) + p3 - p0)));
    }
    return total;
}

struct Peak {
    double degrees = 0;
    double contrast = 0; // the best score over the mean of those kFarDegrees away, less 1
    bool inside = false; // not at an end of the grid
};

// The best angle of `c` on a grid of `step` over centre +- spread, refined
// by a parabola through its neighbours.
Peak bestAngle(const Correlations& c, double centre, double spread, double step) {
    const int steps = static_cast<int>(std::lround(spread / step));
    std::vector<double> scores;
    for (int i = -steps; i <= steps; ++i)
        scores.push_back(score(c, centre + i * step));
    const int best =
        static_cast<int>(std::max_element(scores.begin(), scores.end()) - scores.begin());
    Peak p;
    p.degrees = centre + (best - steps) * step;
    p.inside = best > 0 && best < 2 * steps;
    double far = 0;
    int farCount = 0;
    for (int i = 0; i <= 2 * steps; ++i) {
        if (std::abs(i - best) * step >= kFarDegrees) {
            far += scores[i];
            ++farCount;
        }
    }
    if (farCount > 0 && far > 0)
        p.contrast = scores[best] / (far / farCount) - 1;
    if (p.inside) {
        const double a = scores[best - 1], b = scores[best], d = scores[best + 1];
        const double curvature = a - 2 * b + d;
        if (curvature < 0)
            p.degrees += 0.5 * (a - d) / curvature * step;
    }
    return p;
}

// Coordinates in 32.32 fixed point: a shift floors them, negative ones too.
constexpr int kFraction = 32;
constexpr double kUnit = 4294967296.0; // 2^32

// The whole i in [0, width) at which `origin` + `step` i, floored, lies in
// [0, size): an interval, empty as [0, 0).
std::pair<int, int> insideRange(std::int64_t origin, std::int64_t step, int size, int width) {
    const auto inside = [&](std::int64_t i) {
        const std::int64_t v = origin + step * i;
        return v >= 0 && (v >> kFraction) < size;
    };
    if (step == 0)
        return inside(0) ? std::make_pair(0, width) : std::make_pair(0, 0);
    // Estimated in floating point, then settled exactly.
    const double a = (0 - static_cast<double>(origin)) / static_cast<double>(step);
    const double b = (static_cast<double>(size) * kUnit - static_cast<double>(origin)) /
                     static_cast<double>(step);
    const double low = std::clamp(std::ceil(std::min(a, b)), 0.0, static_cast<double>(width));
    const double high = std::clamp(std::ceil(std::max(a, b)), 0.0, static_cast<double>(width));
    int lo = static_cast<int>(low), hi = static_cast<int>(high);
    while (lo > 0 && inside(lo - 1))
        --lo;
    while (lo < hi && !inside(lo))
        ++lo;
    while (hi < width && inside(hi))
        ++hi;
    while (hi > lo && !inside(hi - 1))
        --hi;
    return {lo, hi};
}

// One row of a turned image, nearest neighbour: pixel i is source pixel
// (floor(ax + dx i), floor(ay + dy i)), blank outside the source.
void copyRow(const cv::Mat& source, double ax, double ay, double dx, double dy, std::uint8_t* out,
             int width) {
    const auto x0 = static_cast<std::int64_t>(std::llround(ax * kUnit));
    const auto y0 = static_cast<std::int64_t>(std::llround(ay * kUnit));
    const auto sx = static_cast<std::int64_t>(std::llround(dx * kUnit));
    const auto sy = static_cast<std::int64_t>(std::llround(dy * kUnit));
    const std::pair<int, int> xs = insideRange(x0, sx, source.cols, width);
    const std::pair<int, int> ys = insideRange(y0, sy, source.rows, width);
    const int lo = std::max(xs.first, ys.first), hi = std::min(xs.second, ys.second);
    const std::uint8_t* data = source.data;
    const std::size_t stride = source.step;
    std::int64_t x = x0 + sx * lo, y = y0 + sy * lo;
    for (int i = lo; i < hi; ++i, x += sx, y += sy)
        out[i] = data[static_cast<std::size_t>(y >> kFraction) * stride +
                      static_cast<std::size_t>(x >> kFraction)];
}

} // namespace

double measureSkew(const cv::Mat& ink, double textHeight) {
    CV_Assert(ink.empty() || ink.type() == CV_8UC1);
    if (ink.empty() || textHeight <= 0)
        return 0;
    // Bounded so that a count (at most width x bin) fits kMaxCount.
    const int width =
        std::clamp(static_cast<int>(std::lround(kStripWidth * textHeight)), 2, kMaxWidth);
    const int coarseDistances = static_cast<int>(std::lround(kCoarseReach / kStripWidth));
    const int fineDistances = static_cast<int>(std::lround(kFineReach / kStripWidth));
    // The coarse search sums rows in bins of a sixth of the text height:
    // the lines stay apart, and the work halves.
    const int bin = std::clamp(static_cast<int>(std::lround(textHeight / 6)), 1, kMaxBin);
    const cv::Mat fine = stripCounts(ink, width);
    const cv::Mat coarse = binRows(fine, bin);
    const Correlations wide = correlate(coarse, coarseDistances, static_cast<double>(width) / bin,
                                        -kRangeDegrees, kRangeDegrees);
    const Peak first = bestAngle(wide, 0, kRangeDegrees, kCoarseStep);
    // No clear angle, or one at the end of the range that may lie beyond it.
    if (first.contrast < kMinContrast || !first.inside)
        return 0;
    const Correlations close = correlate(fine, fineDistances, width, first.degrees - kFineSpread,
                                         first.degrees + kFineSpread);
    return bestAngle(close, first.degrees, kFineSpread, kFineStep).degrees;
}

Straightening straightening(cv::Size page, double degrees) {
    Straightening s;
    s.degrees = degrees;
    s.size = page;
    if (degrees == 0)
        return s;
    const double r = degrees * CV_PI / 180.0;
    const double c = std::cos(r), sn = std::sin(r);
    // The smallest canvas that holds the whole turned page (the small
    // tolerance keeps a rounding error from adding a column).
    s.size = cv::Size(
        static_cast<int>(std::ceil(page.width * std::abs(c) + page.height * std::abs(sn) - 1e-6)),
        static_cast<int>(std::ceil(page.width * std::abs(sn) + page.height * std::abs(c) - 1e-6)));
    // Clockwise as displayed (y down): (x, y) -> (c x - s y, s x + c y),
    // the centre of the page to the centre of the canvas.
    const double cx = page.width / 2.0, cy = page.height / 2.0;
    const double nx = s.size.width / 2.0, ny = s.size.height / 2.0;
    s.forward = cv::Matx23d(c, -sn, nx - c * cx + sn * cy, sn, c, ny - sn * cx - c * cy);
    s.inverse = cv::Matx23d(c, sn, cx - c * nx - sn * ny, -sn, c, cy + sn * nx - c * ny);
    return s;
}

cv::Mat straighten(const cv::Mat& image, const Straightening& how) {
    CV_Assert(image.type() == CV_8UC1);
    if (how.degrees == 0)
        return image;
    cv::Mat out = cv::Mat::zeros(how.size, CV_8UC1);
    const cv::Matx23d& m = how.inverse;
    for (int y = 0; y < out.rows; ++y) {
        // The source of pixel i of this row: the pixel under the map of its
        // centre, (ax + m00 i, ay + m10 i).
        const double ax = m(0, 0) * 0.5 + m(0, 1) * (y + 0.5) + m(0, 2);
        const double ay = m(1, 0) * 0.5 + m(1, 1) * (y + 0.5) + m(1, 2);
        copyRow(image, ax, ay, m(0, 0), m(1, 0), out.ptr<std::uint8_t>(y), out.cols);
    }
    return out;
}

namespace {

// In text heights: rules are mended when at least this long, long enough
// for a column rule or a table's rule, too long for a line of text to pass
// for one;
constexpr double kMendedRule = 4;
// dashes this long,
constexpr double kMendedDash = 1;
// this far apart, are joined: a third of a text height on a page turned by
// one degree, in inverse proportion to the angle, within these limits.
constexpr double kMendedDashGapAtOneDegree = 0.33;
constexpr double kMendedMinDashGap = 0.25;
constexpr double kMendedMaxDashGap = 1.0;

// The ink pixels of `row` in [start, end).
int inkBetween(const std::uint8_t* row, int start, int end) {
    return static_cast<int>(
        std::count_if(row + start, row + end, [](std::uint8_t v) { return v; }));
}

// Joins, in the 0/1 row `both`, runs at least `minDash` long that lie at
// most `maxDashGap` apart: the longer stretches a rule breaks into where
// it crosses rows at a shallow angle. Letters are shorter than a dash.
void joinDashes(std::uint8_t* both, int cols, int minDash, int maxDashGap) {
    const RunList runs = findRuns(cols, [both](int c) { return both[c] != 0; });
    int dashStart = -1; // where the stretch of joined runs that the last run ends starts
    for (std::size_t k = 0; k + 1 < runs.size(); k += 2) {
        const int start = runs[k], end = runs[k + 1];
        const int previousEnd = k > 0 ? runs[k - 1] : -1;
        const bool joined = previousEnd >= 0 && start - previousEnd <= maxDashGap &&
                            previousEnd - dashStart >= minDash && end - start >= minDash;
        if (joined)
            std::fill(both + previousEnd, both + start, 1);
        else
            dashStart = start;
    }
}

// Rows y and y + 1 of mendTurnedRules; `above` and `below` are the rows two
// away from them, or null at the page's edge.
void mendRow(std::uint8_t* row, std::uint8_t* next, const std::uint8_t* above,
             const std::uint8_t* below, std::uint8_t* both, int cols, int minLength, int minDash,
             int maxDashGap) {
    std::uint8_t any = 0;
    for (int c = 0; c < cols; ++c) {
        both[c] = static_cast<std::uint8_t>(row[c] | next[c]);
        any |= both[c];
    }
    if (any == 0)
        return;
    // A gap pixel is bridged only when its right neighbour is ink, so a
    // bridge never leans on another bridge.
    for (int c = 1; c + 1 < cols; ++c) {
        if (both[c] == 0 && both[c - 1] != 0 && both[c + 1] != 0)
            both[c] = 1;
    }
    joinDashes(both, cols, minDash, maxDashGap);
    const RunList runs = longInkRuns(both, cols, minLength);
    for (std::size_t k = 0; k + 1 < runs.size(); k += 2) {
        const int start = runs[k], end = runs[k + 1];
        // A rule has paper beside it; a line of text, whose letters may
        // touch along a row, has ink above and below as well.
        const int quarter = (end - start) / 4;
        const bool thin = (above == nullptr || inkBetween(above, start, end) < quarter) &&
                          (below == nullptr || inkBetween(below, start, end) < quarter);
        // Both rows: the parts of a rule that drifts from one row to the
        // next must end up on one row to be seen as one rule.
        if (thin) {
            std::fill(row + start, row + end, 1);
            std::fill(next + start, next + end, 1);
        }
    }
}

void mendRows(cv::Mat& ink, int minLength, int minDash, int maxDashGap) {
    std::vector<std::uint8_t> both(ink.cols);
    for (int y = 0; y + 1 < ink.rows; ++y) {
        const std::uint8_t* above = y >= 2 ? ink.ptr<std::uint8_t>(y - 2) : nullptr;
        const std::uint8_t* below = y + 3 < ink.rows ? ink.ptr<std::uint8_t>(y + 3) : nullptr;
        mendRow(ink.ptr<std::uint8_t>(y), ink.ptr<std::uint8_t>(y + 1), above, below, both.data(),
                ink.cols, minLength, minDash, maxDashGap);
    }
}

} // namespace

void mendTurnedRules(cv::Mat& ink, double textHeight, double degrees) {
    CV_Assert(ink.type() == CV_8UC1);
    const int minLength = std::max(3, static_cast<int>(std::lround(kMendedRule * textHeight)));
    const int minDash = std::max(2, static_cast<int>(std::lround(kMendedDash * textHeight)));
    // The flatter the turn, the longer the stretch where a rule lies half on
    // one row and half on the next, too light on both.
    const double gap = std::clamp(kMendedDashGapAtOneDegree / std::max(std::abs(degrees), 1e-3),
                                  kMendedMinDashGap, kMendedMaxDashGap);
    const int maxDashGap = std::max(1, static_cast<int>(gap * textHeight));
    mendRows(ink, minLength, minDash, maxDashGap);
}

std::array<cv::Point2d, 4> unstraighten(const cv::Rect& rect, const Straightening& how) {
    const cv::Matx23d& m = how.inverse;
    const auto map = [&](double x, double y) {
        return cv::Point2d(m(0, 0) * x + m(0, 1) * y + m(0, 2),
                           m(1, 0) * x + m(1, 1) * y + m(1, 2));
    };
    const double x0 = rect.x, y0 = rect.y;
    const double x1 = x0 + rect.width, y1 = y0 + rect.height;
    return {map(x0, y0), map(x1, y0), map(x1, y1), map(x0, y1)};
}

} // namespace pagecut
