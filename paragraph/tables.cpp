// SPDX-License-Identifier: Apache-2.0
#include "paragraph/tables.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "core/rect_algebra.h"
#include "strategies/ruled_table.h"

namespace pagecut {

namespace {

// Limits in units of U, the height of a line of text.
constexpr double kSolidRule = 0.8; // or at most this thick ...
// Tables and paragraphs.
constexpr double kNarrowLine = 20.0; // table lines are at most this wide
constexpr int kMinTableLines = 3;
constexpr double kCellWidth = 14.0;  // and its cells are at most this wide (median)
constexpr double kAbsorbShare = 0.5; // and takes the lines at least this much inside it
// A ruled table: at least this many horizontal rules (horizontalRules'
// default length long) ...
constexpr int kMinTableRules = 3;
constexpr double kTableRuleEnds = 1.0;  // whose ends lie within this of each other's,
constexpr double kTableRowHeight = 8.0; // each at most this far below the one before

} // namespace

namespace {

bool besideEachOther(const cv::Rect& a, const cv::Rect& b) {
    return verticalOverlap(a, b) * 2 >= std::min(a.height, b.height) &&
           horizontalOverlap(a, b) <= 0;
}

// The cells of each run of consecutive narrow lines: the lines with a line
// of the same run beside them.
std::vector<bool> tableCells(const std::vector<BlockGroup>& lines, double unit) {
    const std::size_t n = lines.size();
    std::vector<bool> cell(n, false);
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i;
        while (end < n && lines[end].box.width <= kNarrowLine * unit)
            ++end;
        for (std::size_t a = i; a < end; ++a) {
            for (std::size_t b = i; b < end && !cell[a]; ++b)
                cell[a] = a != b && besideEachOther(lines[a].box, lines[b].box);
        }
        i = std::max(end, i + 1);
    }
    return cell;
}

} // namespace

namespace {

// The table made of the cells in lines [begin, end), and the lines it holds;
// none when it holds more wide lines than cells (paragraphs beside a column
// of short lines are no table).
std::vector<std::size_t> tableMembers(const std::vector<BlockGroup>& lines,
                                      const std::vector<bool>& cell, std::size_t begin,
                                      std::size_t end, cv::Rect& box, double unit) {
    std::size_t cells = 0;
    std::vector<std::int32_t> widths;
    for (std::size_t k = begin; k < end; ++k) {
        if (!cell[k])
            continue;
        box = cells++ == 0 ? lines[k].box : box | lines[k].box;
        widths.push_back(lines[k].box.width);
    }
    std::vector<std::size_t> members;
    if (cells < static_cast<std::size_t>(kMinTableLines))
        return members;
    // Columns of text side by side are no table: their lines are long.
    if (upperMedian(std::move(widths)) > kCellWidth * unit)
        return members;
    std::size_t wide = 0;
    const cv::Rect cellBox = box;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const cv::Rect& r = lines[k].box;
        if ((r & cellBox).area() >= kAbsorbShare * r.area()) {
            members.push_back(k);
            box |= r;
            wide += r.width > kNarrowLine * unit;
        }
    }
    if (wide > cells)
        members.clear();
    return members;
}

} // namespace

std::vector<BlockGroup> joinTables(const std::vector<BlockGroup>& lines, double unit) {
    const std::vector<bool> cell = tableCells(lines, unit);
    const std::size_t n = lines.size();
    std::vector<int> tableOf(n, -1);
    std::vector<BlockGroup> tables;
    for (std::size_t i = 0; i < n;) {
        std::size_t end = i;
        while (end < n && lines[end].box.width <= kNarrowLine * unit)
            ++end;
        cv::Rect box;
        const std::vector<std::size_t> members = tableMembers(lines, cell, i, end, box, unit);
        if (!members.empty()) {
            BlockGroup table{box, lines[members.front()].first, true, {}};
            for (const std::size_t k : members) {
                tableOf[k] = static_cast<int>(tables.size());
                table.lines.insert(table.lines.end(), lines[k].lines.begin(), lines[k].lines.end());
            }
            tables.push_back(std::move(table));
        }
        i = std::max(end, i + 1);
    }
    std::vector<BlockGroup> out;
    std::vector<bool> listed(tables.size(), false);
    for (std::size_t k = 0; k < n; ++k) {
        const int t = tableOf[k];
        if (t < 0)
            out.push_back(lines[k]);
        else if (!listed[t])
            out.push_back(tables[t]), listed[t] = true;
    }
    return out;
}

// The ruled tables here and the ruled table of the segmentation
// (strategies/ruled_table) look for different things. That one finds, inside
// one block, two rules as wide as the block around a body of narrow columns
// under a heading, and draws the table closed; this one finds, on the whole
// page at the nominal text size, stacks of three or more rules of any length,
// to keep the rows between them together. What both ask of a rule is shared:
// its ink runs along a row (longInkRuns), and two rules of one table have
// ends that align (endsAlign).

namespace {

RuleExtent extentOf(const cv::Rect& rule) {
    return {rule.x, rule.x + rule.width};
}

// The rule still growing in the last row that `run` continues (its ends
// within `slack` of the run's), taken out of `growing` and joined with the
// run; the run alone when none does.
cv::Rect continueRule(std::vector<cv::Rect>& growing, const cv::Rect& run, int slack) {
    for (cv::Rect& rule : growing) {
        if (!rule.empty() && endsAlign(extentOf(rule), extentOf(run), slack)) {
            const cv::Rect joined = rule | run;
            rule = cv::Rect();
            return joined;
        }
    }
    return run;
}

} // namespace

std::vector<cv::Rect> horizontalRules(const cv::Mat& ink, double unit, double minRuleLength) {
    const int minLength = std::max(1, static_cast<int>(minRuleLength * unit));
    const int slack = static_cast<int>(kTableRuleEnds * unit);
    std::vector<cv::Rect> rules, growing;
    for (int y = 0; y < ink.rows; ++y) {
        const RunList runs = longInkRuns(ink.ptr<std::uint8_t>(y), ink.cols, minLength);
        std::vector<cv::Rect> next;
        for (std::size_t k = 0; k + 1 < runs.size(); k += 2) {
            const cv::Rect run(runs[k], y, runs[k + 1] - runs[k], 1);
            next.push_back(continueRule(growing, run, slack));
        }
        std::copy_if(growing.begin(), growing.end(), std::back_inserter(rules),
                     [](const cv::Rect& r) { return !r.empty(); });
        growing = std::move(next);
    }
    rules.insert(rules.end(), growing.begin(), growing.end());
    // Thicker runs are bars or pictures, not rules.
    rules.erase(std::remove_if(rules.begin(), rules.end(),
                               [&](const cv::Rect& r) { return r.height > kSolidRule * unit; }),
                rules.end());
    return rules;
}

std::vector<cv::Rect> ruledTables(std::vector<cv::Rect> rules, double unit) {
    std::sort(rules.begin(), rules.end(),
              [](const cv::Rect& a, const cv::Rect& b) { return a.y < b.y; });
    // Ends are whole columns apart, so the slack's fraction never counts.
    const int slack = static_cast<int>(kTableRuleEnds * unit);
    std::vector<std::pair<cv::Rect, int>> stacks; // the box of each stack and its rules
    std::vector<cv::Rect> lastRule;
    for (const cv::Rect& rule : rules) {
        std::size_t k = 0;
        for (; k < stacks.size(); ++k) {
            const cv::Rect& last = lastRule[k];
            if (endsAlign(extentOf(last), extentOf(rule), slack) &&
                rule.y - (last.y + last.height) <= kTableRowHeight * unit)
                break;
        }
        if (k == stacks.size()) {
            stacks.push_back({rule, 1});
            lastRule.push_back(rule);
            continue;
        }
        stacks[k].first |= rule;
        ++stacks[k].second;
        lastRule[k] = rule;
    }
    std::vector<cv::Rect> tables;
    for (const auto& [box, count] : stacks) {
        if (count >= kMinTableRules)
            tables.push_back(box);
    }
    return tables;
}

std::vector<BlockGroup> joinRuledTables(const std::vector<BlockGroup>& groups,
                                        const std::vector<cv::Rect>& tables) {
    std::vector<BlockGroup> out = groups;
    for (const cv::Rect& table : tables) {
        std::vector<BlockGroup> rest;
        BlockGroup joined{table, 0, true, {}};
        std::size_t at = SIZE_MAX;
        for (const BlockGroup& g : out) {
            if ((g.box & table).area() < kAbsorbShare * g.box.area()) {
                rest.push_back(g);
                continue;
            }
            if (at == SIZE_MAX) {
                at = rest.size();
                joined.first = g.first;
            }
            joined = unite(joined, g);
        }
        if (at == SIZE_MAX)
            continue;
        rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(at), joined);
        out = std::move(rest);
    }
    return out;
}

} // namespace pagecut
