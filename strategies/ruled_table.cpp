// SPDX-License-Identifier: Apache-2.0
#include "strategies/ruled_table.h"

#include <cstdlib>
#include <optional>

#include "core/cuts.h"

namespace pagecut {

namespace {

constexpr int kExtentTolerance = 5;
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
    const cv::Rect clipped = rect & cv::Rect(0, 0, image.cols, image.rows);
    if (!clipped.empty())
        image(clipped).setTo(1);
}

} // namespace

RunList findRuleRows(cv::Mat rowProfile, std::int32_t width, std::int32_t noise) {
    const double threshold = (double(width) - noise) - 0.05 * width;
    RunList rules;
    bool inside = false;
    std::int32_t index = 0;
    for (int r = 0; r < rowProfile.rows; ++r) {
        const std::int32_t* row = rowProfile.ptr<std::int32_t>(r);
        for (int c = 0; c < rowProfile.cols; ++c, ++index) {
            const bool rule = double(row[c]) >= threshold;
            if (rule != inside) {
                rules.push_back(index);
                inside = rule;
            }
        }
    }
    if (inside)
        rules.push_back(index);
    return rules;
}

std::vector<std::int32_t> measureRuleExtents(const cv::Mat& image, cv::Rect blockRect,
                                             RunList ruleRuns) {
    std::vector<std::int32_t> extents;
    for (std::size_t r = 0; r + 1 < ruleRuns.size(); r += 2) {
        const int middle = (ruleRuns[r] + ruleRuns[r + 1]) / 2;
        const std::uint8_t* row = image.ptr<std::uint8_t>(blockRect.y + middle) + blockRect.x;
        int bestStart = 0, bestEnd = 0;
        int x = 0;
        while (x < blockRect.width) {
            if (row[x] == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < blockRect.width && row[x] != 0)
                ++x;
            if (x - start > bestEnd - bestStart) {
                bestStart = start;
                bestEnd = x;
            }
        }
        extents.insert(extents.end(), {bestStart, bestEnd});
    }
    return extents;
}

std::vector<Region> isolateRuledTable(cv::Mat& image, Region block, SegmentationParams params) {
    const int W = block.rect.width;
    const int H = block.rect.height;
    const cv::Mat view = image(block.rect);
    const RunList rules = findRuleRows(rowProfile(view), W, params.noiseLevel);
    if (rules.size() <= 2)
        return {};
    const std::vector<std::int32_t> extents = measureRuleExtents(image, block.rect, rules);

    // Rules are paired two at a time (first with second, third with fourth),
    // never overlapping pairs.
    int pair = -1;
    for (std::size_t k = 0; 2 * k + 1 < rules.size() / 2; ++k) {
        const std::size_t upper = 2 * k, lower = 2 * k + 1;
        if (std::abs(extents[2 * upper] - extents[2 * lower]) < kExtentTolerance &&
            std::abs(extents[2 * upper + 1] - extents[2 * lower + 1]) < kExtentTolerance) {
            pair = static_cast<int>(k);
            break;
        }
    }
    if (pair < 0)
        return {};
    const int s1 = rules[4 * pair], e1 = rules[4 * pair + 1];
    const int s2 = rules[4 * pair + 2], e2 = rules[4 * pair + 3];
    const int X0 = extents[4 * pair], X1 = extents[4 * pair + 1];

    SegmentationParams cutParams = params;
    cutParams.firstColumnOnly = false;
    cutParams.refineColumns = false;

    Region body;
    body.rect = cv::Rect(0, e1, W, s2 - e1);
    const std::vector<Region> columns = splitIntoColumns(view, body, cutParams);
    const std::size_t m = columns.size();
    if (m < 2)
        return {};
    for (std::size_t k = 0; k < m; ++k) {
        if (columns[k].rect.width > columns[0].rect.width)
            return {};
        if (k > 0 && double(columns[k].rect.width) / W > kNarrowColumnShare)
            return {};
    }

    if (s1 <= 0)
        return {};
    const cv::Mat above = view(cv::Rect(0, 0, W, s1)).clone();
    Region aboveRegion;
    aboveRegion.rect = cv::Rect(0, 0, W, s1);
    const std::vector<Region> lines = splitIntoBands(above, aboveRegion, cutParams);
    const int n = static_cast<int>(lines.size());

    std::vector<int> separators{0};
    for (std::size_t k = 1; k < m; ++k) {
        const cv::Rect& prev = columns[k - 1].rect;
        separators.push_back((prev.x + prev.width + columns[k].rect.x) / 2);
    }
    separators.push_back(W);

    // The heading is the first group of consecutive lines that reach into
    // every narrow column, counted upward from the upper rule.
    int v = 0;
    bool found = false;
    for (int t = 0; t < std::min(n, kHeadingLinesExamined); ++t) {
        const bool spans = spansColumns(above, lines[n - 1 - t].rect, separators);
        if (!found) {
            if (spans) {
                found = true;
                v = t + 1;
            }
        } else if (spans) {
            ++v;
        } else {
            break;
        }
    }
    if (v == 0)
        return {};
    const int headingTop = lines[n - v].rect.y;

    const std::optional<Region> top = stripBetween(image, block, 0, headingTop - 2);
    const std::optional<Region> heading = stripBetween(image, block, headingTop, s1);
    const std::optional<Region> tableBody = stripBetween(image, block, e1, s2);
    const std::optional<Region> bottom = stripBetween(image, block, e2, H);
    if (!heading || !tableBody)
        return {};

    const int Y = heading->rect.y - 2;
    const int V = heading->rect.height + tableBody->rect.height + 4;
    const int bx = block.rect.x;
    drawInk(image, cv::Rect(bx + X0, Y, X1 - X0, 1));
    drawInk(image, cv::Rect(bx + X0, Y, 1, V));
    drawInk(image, cv::Rect(bx + X1 - 1, Y, 1, V));

    Region table = *heading;
    table.rect.y = Y;
    table.rect.height = V;
    // A heading on the page's first rows would put the table above the page.
    table.rect &= cv::Rect(0, 0, image.cols, image.rows);

    std::vector<Region> children;
    for (const std::optional<Region>& child : {top, std::optional<Region>(table), bottom}) {
        if (child && !child->rect.empty() && inkInside(image, child->rect) > 0)
            children.push_back(*child);
    }
    return children;
}

} // namespace pagecut
