// SPDX-License-Identifier: Apache-2.0
#include "strategies/ruled_table.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "core/cuts.h"

namespace pagecut {

namespace {

// The ends of the two rules of a table lie at most this many columns apart.
constexpr int kExtentSlack = 4;
constexpr int kHeadingLinesExamined = 5;
constexpr double kNarrowColumnShare = 0.1;

// One strip of the block between two block-relative rows, as regionsFromRuns
// makes it; none when the rows are empty.
std::optional<Region> stripBetween(const cv::Mat& image, const Region& block, int top, int bottom) {
    std::vector<Region> strips =
        regionsFromRuns(image, block, RunList{top, bottom}, SlabAxis::Rows);
    if (strips.empty())
        return std::nullopt;
    return strips.front();
}

// True when the line has ink in every column interval but the first.
bool spansColumns(const cv::Mat& area, const cv::Rect& line, const std::vector<int>& separators) {
    const cv::Mat profile = columnProfile(area(line));
    for (std::size_t k = 1; k + 1 < separators.size(); ++k) {
        std::int64_t ink = 0;
        for (int x = separators[k]; x < separators[k + 1]; ++x)
            ink += profile.at<std::int32_t>(0, x - line.x);
        if (ink == 0)
            return false;
    }
    return true;
}

void drawInk(cv::Mat& image, const cv::Rect& rect) {
    const cv::Rect clipped = clipToImage(rect, image);
    if (!clipped.empty())
        image(clipped).setTo(1);
}

} // namespace

RunList findRuleRows(cv::Mat rowProfile, std::int32_t width, std::int32_t noise) {
    const double threshold = (double(width) - noise) - 0.05 * width;
    const cv::Mat values = profileValues(rowProfile);
    const std::int32_t* v = values.ptr<std::int32_t>();
    return findRuns(static_cast<int>(values.total()),
                    [v, threshold](int i) { return double(v[i]) >= threshold; });
}

std::vector<RuleExtent> measureRuleExtents(const cv::Mat& image, cv::Rect blockRect,
                                           RunList ruleRuns) {
    std::vector<RuleExtent> extents;
    for (std::size_t r = 0; r + 1 < ruleRuns.size(); r += 2) {
        const int middle = (ruleRuns[r] + ruleRuns[r + 1]) / 2;
        const std::uint8_t* row = image.ptr<std::uint8_t>(blockRect.y + middle) + blockRect.x;
        const RunList runs = longInkRuns(row, blockRect.width, 1);
        RuleExtent longest;
        for (std::size_t k = 0; k + 1 < runs.size(); k += 2) {
            if (runs[k + 1] - runs[k] > longest.end - longest.start)
                longest = {runs[k], runs[k + 1]};
        }
        extents.push_back(longest);
    }
    return extents;
}

bool endsAlign(const RuleExtent& a, const RuleExtent& b, int slack) {
    return std::abs(a.start - b.start) <= slack && std::abs(a.end - b.end) <= slack;
}

namespace {

// Two rules of equal extent, block-relative: the rows of each (end exclusive)
// and the columns both span.
struct RulePair {
    int upperTop = 0, upperEnd = 0;
    int lowerTop = 0, lowerEnd = 0;
    RuleExtent extent;
};

// The first pair of rules, taken two at a time (first with second, third with
// fourth, never overlapping pairs), whose ends lie within kExtentSlack of
// each other.
std::optional<RulePair> findRulePair(const cv::Mat& image, const Region& block,
                                     const SegmentationParams& params, const cv::Mat& rowInk) {
    const RunList rules = findRuleRows(rowInk, block.rect.width, params.noiseLevel);
    if (rules.size() <= 2)
        return std::nullopt;
    const std::vector<RuleExtent> extents = measureRuleExtents(image, block.rect, rules);
    for (std::size_t upper = 0; upper + 1 < extents.size(); upper += 2) {
        const RuleExtent& a = extents[upper];
        const RuleExtent& b = extents[upper + 1];
        if (endsAlign(a, b, kExtentSlack))
            return RulePair{rules[2 * upper], rules[2 * upper + 1], rules[2 * upper + 2],
                            rules[2 * upper + 3], a};
    }
    return std::nullopt;
}
// The columns of the body between the rules when it looks like a table's: at
// least two, none wider than the first, and every further one narrow.
std::vector<Region> bodyColumns(const cv::Mat& view, const RulePair& pair,
                                const SegmentationParams& cutParams) {
    const int width = view.cols;
    Region body;
    body.rect = cv::Rect(0, pair.upperEnd, width, pair.lowerTop - pair.upperEnd);
    const std::vector<Region> columns = splitIntoColumns(view, body, cutParams);
    if (columns.size() < 2)
        return {};
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (columns[k].rect.width > columns[0].rect.width)
            return {};
        if (k > 0 && double(columns[k].rect.width) / width > kNarrowColumnShare)
            return {};
    }
    return columns;
}

// The block-relative x at which each column interval begins (the block's left
// edge, then the middle of each gap), and the block's right edge.
std::vector<int> columnBoundaries(const std::vector<Region>& columns, int width) {
    std::vector<int> boundaries{0};
    for (std::size_t k = 1; k < columns.size(); ++k) {
        const cv::Rect& previous = columns[k - 1].rect;
        boundaries.push_back((previous.x + previous.width + columns[k].rect.x) / 2);
    }
    boundaries.push_back(width);
    return boundaries;
}

// The top row (block-relative) of the table's heading: the first group of
// consecutive lines that reach into every narrow column, counted upward from
// the upper rule among the kHeadingLinesExamined lines nearest to it. None
// when no line does.
std::optional<int> findHeadingTop(const cv::Mat& view, int ruleTop,
                                  const std::vector<Region>& columns,
                                  const SegmentationParams& cutParams) {
    const cv::Mat above = view(cv::Rect(0, 0, view.cols, ruleTop)).clone();
    Region aboveRegion;
    aboveRegion.rect = cv::Rect(0, 0, view.cols, ruleTop);
    const std::vector<Region> lines = splitIntoBands(above, aboveRegion, cutParams);
    const int lineCount = static_cast<int>(lines.size());
    const std::vector<int> boundaries = columnBoundaries(columns, view.cols);
    int topmost = -1; // lines counted upward from the rule
    for (int t = 0; t < std::min(lineCount, kHeadingLinesExamined); ++t) {
        if (spansColumns(above, lines[lineCount - 1 - t].rect, boundaries))
            topmost = t;
        else if (topmost >= 0)
            break;
    }
    if (topmost < 0)
        return std::nullopt;
    return lines[lineCount - 1 - topmost].rect.y;
}

// Closes the table: draws its top rule kRuleDrawnAbove rows above the heading
// and its side rules at the ends of the rules, and returns the content above
// it, the table and the content below it, those with ink.
std::vector<Region> closeTable(cv::Mat& image, const Region& block, const RulePair& pair,
                               int headingTop) {
    const std::optional<Region> top = stripBetween(image, block, 0, headingTop - kRuleDrawnAbove);
    const std::optional<Region> heading = stripBetween(image, block, headingTop, pair.upperTop);
    const std::optional<Region> body = stripBetween(image, block, pair.upperEnd, pair.lowerTop);
    const std::optional<Region> bottom =
        stripBetween(image, block, pair.lowerEnd, block.rect.height);
    if (!heading || !body)
        return {};

    const int ruleTop = heading->rect.y - kRuleDrawnAbove;
    // The side rules run over the heading and the body, four rows longer than
    // the two together.
    const int sideHeight = heading->rect.height + body->rect.height + 4;
    const int left = block.rect.x + pair.extent.start;
    const int right = block.rect.x + pair.extent.end;
    drawInk(image, cv::Rect(left, ruleTop, right - left, 1));
    drawInk(image, cv::Rect(left, ruleTop, 1, sideHeight));
    drawInk(image, cv::Rect(right - 1, ruleTop, 1, sideHeight));

    Region table = *heading;
    table.rect.y = ruleTop;
    table.rect.height = sideHeight;
    // A heading on the page's first rows would put the table above the page.
    table.rect = clipToImage(table.rect, image);

    std::vector<Region> children;
    for (const std::optional<Region>& child : {top, std::optional<Region>(table), bottom}) {
        if (child && !child->rect.empty() && inkInside(image, child->rect) > 0)
            children.push_back(*child);
    }
    return children;
}

} // namespace

std::vector<Region> isolateRuledTable(cv::Mat& image, Region block, SegmentationParams params,
                                      const cv::Mat& rowInk) {
    const std::optional<RulePair> pair = findRulePair(image, block, params, rowInk);
    if (!pair)
        return {};
    SegmentationParams cutParams = params;
    cutParams.firstColumnOnly = false;
    cutParams.refineColumns = false;
    const cv::Mat view = image(block.rect);
    const std::vector<Region> columns = bodyColumns(view, *pair, cutParams);
    if (columns.empty() || pair->upperTop <= 0)
        return {};
    const std::optional<int> headingTop = findHeadingTop(view, pair->upperTop, columns, cutParams);
    if (!headingTop)
        return {};
    return closeTable(image, block, *pair, *headingTop);
}

} // namespace pagecut
