// SPDX-License-Identifier: Apache-2.0
#include "strategies/row_separators.h"

#include <algorithm>

#include <opencv2/core.hpp>

#include "core/cuts.h"
#include "core/profile.h"
#include "core/table_logic.h"

namespace pagecut {

namespace {

constexpr int kLeadingShrinkLimit = -10;
constexpr double kSolidShare = 0.25;
// The separator of a new table row lies this many rows above its first line.
constexpr int kSeparatorRowsAbove = 2;
// The side cell's vertical line lies this many columns left of the cell.
constexpr int kSideLineColumnsLeft = 2;
// Columns separated by white space only are joined across gaps narrower than this.
constexpr int kWhiteSpaceMinGap = 7;
// Text lines this many rows high or less are not lines of a table row.
constexpr int kThinLineHeight = 3;

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
    const cv::Rect clipped = clipToImage(rect, image);
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
    complementInto(filled, clear);
    Region whole;
    whole.rect = cv::Rect(0, 0, filled.cols, filled.rows);
    whole.depth = strip.depth;
    whole.inverted = true;
    std::vector<Region> subRows;
    for (const Region& sub : splitIntoBands(clear, whole, params)) {
        if (sub.rect.height > kThinLineHeight)
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
    complementInto(image(strip.rect), reinverted);
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

// The columns of one strip of the table. Columns separated by white space
// only have no rule between them in the inverted image; they are then looked
// for in page polarity, where the text is ink, and all but the first are
// recorded in `sideCells`. Updates `params` for the strips that follow.
std::vector<Region> stripColumns(const cv::Mat& image, const Region& strip,
                                 SegmentationParams& params, std::vector<Region>& sideCells) {
    params.minGap = 0;
    std::vector<Region> columns = splitIntoColumns(image, strip, params);
    if (columns.empty()) {
        params.refineColumns = false;
        params.minGap = kWhiteSpaceMinGap;
        columns = columnsInPagePolarity(image, strip, params);
        // Deliberately switched on, not restored to what the block came with:
        // every later strip of the table is cut with the column refinement,
        // also in a block that came without it (the content of a cell), and
        // the separators found depend on that.
        params.refineColumns = true;
        if (columns.size() >= 2)
            sideCells.insert(sideCells.end(), columns.begin() + 1, columns.end());
    }
    if (columns.empty())
        columns.push_back(strip);
    return columns;
}

// The separators of one strip, given its columns: a line above each text line
// at which a new table row begins, because every further column has text in
// it, or because the first column's text starts well left of the previous
// line's (an indented continuation ended). When the first column is solid
// (holds no text) in most lines, the lines start at the second column.
std::vector<Region> stripSeparators(const cv::Mat& image, const Region& strip,
                                    const std::vector<Region>& columns,
                                    const SegmentationParams& params) {
    const cv::Rect& first = columns[0].rect;
    const std::vector<Region> lines = subRowsOf(image, strip, params);
    std::vector<Region> separators;
    int previousLeading = 0;
    int solidLines = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const cv::Rect& line = lines[k].rect;
        const int rowFrom = strip.rect.y + line.y;
        const int rowTo = rowFrom + line.height;
        if (clearPixels(image, rowFrom, rowTo, first.x, first.x + first.width) == 0)
            ++solidLines;
        bool othersInked = true;
        for (std::size_t c = 1; c < columns.size() && othersInked; ++c) {
            const cv::Rect& column = columns[c].rect;
            othersInked = clearPixels(image, rowFrom, rowTo, column.x, column.x + column.width) > 0;
        }
        const int leading = leadingWidth(image, rowFrom, rowTo, first);
        if (k >= 1 && (othersInked || leading - previousLeading < kLeadingShrinkLimit)) {
            Region separator = lines[k];
            separator.rect.x = strip.rect.x + line.x;
            separator.rect.y = strip.rect.y + line.y - kSeparatorRowsAbove;
            separators.push_back(separator);
        }
        previousLeading = leading;
    }
    const std::size_t lineCount = lines.size();
    if (lineCount > 0 && double(solidLines) / double(lineCount) > kSolidShare &&
        columns.size() >= 2) {
        const cv::Rect& second = columns[1].rect;
        for (Region& separator : separators) {
            separator.rect.x += second.x - strip.rect.x;
            separator.rect.width += first.x - second.x;
        }
    }
    return separators;
}

// Which separators a table of `strips` keeps. All go unless there is one per
// gap between strips at least (and more than one strip); with TABLE_LOGIC 1
// also in a table of more than three strips, or of two or three whose last is
// at most half the block high. Of the rest only those below the last strip's
// top are kept when it is more than half the block high, else those below the
// second strip's top in a table of more than three strips.
void keepSeparators(std::vector<Region>& separators, const std::vector<Region>& strips,
                    int blockHeight) {
    const int stripCount = static_cast<int>(strips.size());
    const int gaps = std::max(stripCount - 1, 1);
    const double lastHeight = stripCount > 0 ? strips.back().rect.height : 0;
    const bool tallLast = lastHeight > 0.5 * blockHeight;
    bool dropAll = double(separators.size()) / double(gaps) < 1.0 || stripCount <= 1;
    if (TABLE_LOGIC == 1 && (stripCount > 3 || ((stripCount == 2 || stripCount == 3) &&
                                                lastHeight < 0.5 * blockHeight)))
        dropAll = true;
    if (dropAll)
        separators.clear();
    if (separators.empty())
        return;

    int reference = 0;
    if (tallLast)
        reference = stripCount - 1;
    else if (stripCount > 3)
        reference = 1;
    if (reference < 1)
        return;
    const int referenceTop = strips[reference].rect.y;
    std::vector<Region> below;
    for (const Region& separator : separators) {
        if (separator.rect.y > referenceTop)
            below.push_back(separator);
    }
    separators.swap(below);
}

// Clears the separators, one pixel high, and when there are any a line left
// of each side cell, from the cell's bottom up through the background above
// its top. Returns what it cleared.
std::vector<cv::Rect> drawSeparators(cv::Mat& image, const std::vector<Region>& separators,
                                     const std::vector<Region>& sideCells) {
    std::vector<cv::Rect> cleared;
    for (const Region& separator : separators)
        clearRect(image, cv::Rect(separator.rect.x, separator.rect.y, separator.rect.width, 1),
                  cleared);
    if (separators.empty())
        return cleared;
    for (const Region& cell : sideCells) {
        const int x = cell.rect.x - kSideLineColumnsLeft;
        if (x < 0)
            continue;
        int top = cell.rect.y;
        int height = cell.rect.height;
        while (top > 0 && image.at<std::uint8_t>(top, x) != 0) {
            --top;
            ++height;
        }
        clearRect(image, cv::Rect(x, top, 1, height), cleared);
    }
    return cleared;
}

} // namespace

std::vector<cv::Rect> carveRowSeparators(cv::Mat& image, Region block, SegmentationParams params) {
    if (params.boxPass)
        return {};
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
        const std::vector<Region> columns = stripColumns(image, strip, params, sideCells);
        const std::vector<Region> found = stripSeparators(image, strip, columns, params);
        separators.insert(separators.end(), found.begin(), found.end());
    }
    keepSeparators(separators, strips, block.rect.height);
    return drawSeparators(image, separators, sideCells);
}

} // namespace pagecut
