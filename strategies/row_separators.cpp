// SPDX-License-Identifier: Apache-2.0
#include "strategies/row_separators.h"

#include <opencv2/core.hpp>

#include "core/cuts.h"
#include "core/profile.h"
#include "core/table_logic.h"

namespace pagecut {

namespace {

constexpr int kLeadingShrinkLimit = -10;
constexpr double kSolidShare = 0.25;

// Number of clear (0) pixels per image column over `rows`, restricted to the
// columns [from, to).
std::int64_t clearPixels(const cv::Mat& image, int rowFrom, int rowTo, int from, int to) {
    std::int64_t clear = 0;
    for (int r = rowFrom; r < rowTo; ++r) {
        const std::uint8_t* row = image.ptr<std::uint8_t>(r);
        for (int c = from; c < to; ++c)
            clear += row[c] == 0;
    }
    return clear;
}

// One less than the width of the fully set part at the left edge of the
// column (0 when there is none), over the rows [rowFrom, rowTo).
int leadingWidth(const cv::Mat& image, int rowFrom, int rowTo, const cv::Rect& column) {
    const int w = column.width;
    if (w <= 1)
        return 0;
    std::vector<std::int64_t> clear(w, 0);
    for (int r = rowFrom; r < rowTo; ++r) {
        const std::uint8_t* row = image.ptr<std::uint8_t>(r) + column.x;
        for (int x = 0; x < w; ++x)
            clear[x] += row[x] == 0;
    }
    int x = 0;
    while (x < w - 1 && clear[x] == 0 && clear[x + 1] == 0)
        ++x;
    return x;
}

void clearRect(cv::Mat& image, const cv::Rect& rect, std::vector<cv::Rect>& cleared) {
    const cv::Rect clipped = rect & cv::Rect(0, 0, image.cols, image.rows);
    if (clipped.empty())
        return;
    image(clipped).setTo(0);
    cleared.push_back(clipped);
}

// The text lines of a strip: runs of rows with a clear pixel once every
// column of the strip without a set pixel (a rule in page terms) is filled.
std::vector<Region> subRowsOf(const cv::Mat& image, const Region& strip,
                              const SegmentationParams& params) {
    cv::Mat filled = image(strip.rect).clone();
    const cv::Mat counts = columnProfile(filled);
    for (int c = 0; c < filled.cols; ++c) {
        if (counts.at<std::int32_t>(0, c) == 0)
            filled.col(c).setTo(1);
    }
    cv::Mat clear;
    cv::subtract(cv::Scalar::all(1), filled, clear);
    Region whole;
    whole.rect = cv::Rect(0, 0, filled.cols, filled.rows);
    whole.depth = strip.depth;
    whole.inverted = true;
    std::vector<Region> subRows;
    for (const Region& sub : splitIntoBands(clear, whole, params)) {
        if (sub.rect.height > 3)
            subRows.push_back(sub);
    }
    return subRows;
}

// splitIntoColumns on 1 - image, without the column refinement. That cut
// reads nothing but the strip, so only the strip is re-inverted, as an image
// of its own, and the strips found are moved back to image coordinates.
std::vector<Region> columnsInPagePolarity(const cv::Mat& image, const Region& strip,
                                          const SegmentationParams& params) {
    cv::Mat reinverted;
    cv::subtract(cv::Scalar::all(1), image(strip.rect), reinverted);
    Region local = strip;
    local.rect.x = 0;
    local.rect.y = 0;
    std::vector<Region> columns = splitIntoColumns(reinverted, local, params);
    for (Region& column : columns) {
        column.rect.x += strip.rect.x;
        column.rect.y += strip.rect.y;
    }
    return columns;
}

} // namespace

std::vector<cv::Rect> carveRowSeparators(cv::Mat& image, Region block, SegmentationParams params) {
    std::vector<cv::Rect> cleared;
    if (params.boxPass)
        return cleared;
    block.depth += 1;
    params.cutColumns = !params.cutColumns;
    block.lineGap = 0;

    std::vector<Region> strips;
    for (const Region& strip : splitIntoBands(image, block, params)) {
        if (strip.rect.height > 1)
            strips.push_back(strip);
    }
    params.firstColumnOnly = false;
    params.skipRuleRows = false;

    std::vector<Region> separators;
    std::vector<Region> sideCells;
    for (const Region& strip : strips) {
        params.minGap = 0;
        std::vector<Region> columns = splitIntoColumns(image, strip, params);
        if (columns.empty()) {
            // Columns separated by white space only: look for them in page
            // polarity, where the text is ink.
            params.refineColumns = false;
            params.minGap = 7;
            columns = columnsInPagePolarity(image, strip, params);
            params.refineColumns = true;
            if (columns.size() >= 2)
                sideCells.insert(sideCells.end(), columns.begin() + 1, columns.end());
        }
        if (columns.empty())
            columns.push_back(strip);
        const cv::Rect& c0 = columns[0].rect;

        const std::vector<Region> subRows = subRowsOf(image, strip, params);
        std::vector<Region> stripSeparators;
        int previousLeading = 0;
        int solid = 0;
        for (std::size_t k = 0; k < subRows.size(); ++k) {
            const cv::Rect& sub = subRows[k].rect;
            const int rowFrom = strip.rect.y + sub.y;
            const int rowTo = rowFrom + sub.height;
            if (clearPixels(image, rowFrom, rowTo, c0.x, c0.x + c0.width) == 0)
                ++solid;
            bool othersInked = true;
            for (std::size_t c = 1; c < columns.size() && othersInked; ++c) {
                const cv::Rect& col = columns[c].rect;
                othersInked = clearPixels(image, rowFrom, rowTo, col.x, col.x + col.width) > 0;
            }
            const int leading = leadingWidth(image, rowFrom, rowTo, c0);
            // A new table row: every further column has text in this line, or
            // the first column's text starts well left of the previous line
            // (an indented continuation line ended).
            if (k >= 1 && (othersInked || leading - previousLeading < kLeadingShrinkLimit)) {
                Region separator = subRows[k];
                separator.rect.x = strip.rect.x + sub.x;
                separator.rect.y = strip.rect.y + sub.y - 2;
                stripSeparators.push_back(separator);
            }
            previousLeading = leading;
        }

        const std::size_t n = subRows.size();
        if (n > 0 && double(solid) / double(n) > kSolidShare && columns.size() >= 2) {
            const cv::Rect& c1 = columns[1].rect;
            for (Region& separator : stripSeparators) {
                separator.rect.x += c1.x - strip.rect.x;
                separator.rect.width += c0.x - c1.x;
            }
        }
        separators.insert(separators.end(), stripSeparators.begin(), stripSeparators.end());
    }

    const int S = static_cast<int>(strips.size());
    const int N = static_cast<int>(separators.size());
    const int H = block.rect.height;
    const int D = S - 1 > 1 ? S - 1 : 1;
    const double lastHeight = S > 0 ? strips.back().rect.height : 0;
    bool dropAll = double(N) / double(D) < 1.0 || S <= 1;
    if (TABLE_LOGIC == 1 && (S > 3 || ((S == 2 || S == 3) && lastHeight < 0.5 * H)))
        dropAll = true;
    if (dropAll)
        separators.clear();
    const int K = static_cast<int>(separators.size());

    int reference = 0;
    if (K > 0 && lastHeight > 0.5 * H)
        reference = S - 1;
    else if (K > 0 && S > 3)
        reference = 1;
    if (reference >= 1) {
        const int referenceTop = strips[reference].rect.y;
        std::vector<Region> below;
        for (const Region& separator : separators) {
            if (separator.rect.y > referenceTop)
                below.push_back(separator);
        }
        separators.swap(below);
    }

    for (const Region& separator : separators)
        clearRect(image, cv::Rect(separator.rect.x, separator.rect.y, separator.rect.width, 1),
                  cleared);
    if (separators.empty())
        return cleared;

    for (const Region& cell : sideCells) {
        const int x = cell.rect.x - 2;
        if (x < 0)
            continue;
        int j = cell.rect.y;
        int h = cell.rect.height;
        while (j > 0 && image.at<std::uint8_t>(j, x) != 0) {
            --j;
            ++h;
        }
        clearRect(image, cv::Rect(x, j, 1, h), cleared);
    }
    return cleared;
}

} // namespace pagecut
