// SPDX-License-Identifier: Apache-2.0
#include "strategies/row_channels.h"

#include <algorithm>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "strategies/closed_background.h"

namespace pagecut {

namespace {

constexpr int kChannelKernelWidth = 11;
constexpr int kChannelKernelHeight = 201;

// A background component that may keep text on its two sides apart.
struct Channel {
    int left = 0;
    int top = 0;
    int height = 0;
    int tallestColumn = 0; // first column at which the channel has most pixels
};

// The area below the biggest jump in the sorted component areas: components
// above the jump are the large blank areas of the block.
std::int32_t areaThreshold(std::vector<std::int32_t> areas) {
    if (areas.empty())
        return 0;
    std::sort(areas.begin(), areas.end());
    if (areas.size() == 1)
        return areas[0];
    std::size_t best = 1;
    for (std::size_t k = 2; k < areas.size(); ++k) {
        if (areas[k] - areas[k - 1] > areas[best] - areas[best - 1])
            best = k;
    }
    return areas[best - 1];
}

// Components that pass the edge test and are large or tall enough.
std::vector<Channel> findChannels(const std::vector<BackgroundComponent>& components,
                                  int blockWidth, int blockHeight) {
    std::vector<std::int32_t> areas;
    for (const BackgroundComponent& c : components)
        areas.push_back(c.area);
    const std::int32_t threshold = areaThreshold(std::move(areas));

    std::vector<Channel> channels;
    for (const BackgroundComponent& c : components) {
        const auto first = c.columnCounts.begin();
        const auto tallest = std::max_element(first, c.columnCounts.end());
        const std::int32_t most = *tallest;
        const std::int32_t atLeftEdge = c.left == 0 ? c.columnCounts.front() : 0;
        const std::int32_t atRightEdge = c.left + c.width == blockWidth ? c.columnCounts.back() : 0;
        // A component tallest at the block's left or right edge is a margin.
        if (!(atLeftEdge < most && atRightEdge < most))
            continue;
        const bool large = c.area >= threshold;
        const bool tall = c.height >= blockHeight / 10;
        if (!large && !tall)
            continue;
        Channel channel;
        channel.left = c.left;
        channel.top = c.top;
        channel.height = c.height;
        channel.tallestColumn = c.left + static_cast<int>(tallest - first);
        channels.push_back(channel);
    }
    return channels;
}

// Whether the block row holds ink in the columns [from, to): the trimming
// only asks whether each side is blank, so a row segment stops at its first
// ink.
bool hasInkBetween(const cv::Mat& block, int row, int from, int to) {
    return from < to && rowHasInk(block.ptr<std::uint8_t>(row) + from, to - from);
}

// Moves the channel's top down past the rows that still have ink on one side
// (the end of a heading that spans the gutter) to the first row with text on
// both sides, so that a cut just under a spanning heading stays allowed.
void trimChannelTop(const cv::Mat& block, Channel& channel) {
    const int width = block.cols;
    bool blankRowSeen = false;
    while (channel.height >= 1) {
        const bool left = hasInkBetween(block, channel.top, 0, channel.left);
        const bool right = hasInkBetween(block, channel.top, channel.tallestColumn, width - 1);
        if (!blankRowSeen && !left && !right)
            blankRowSeen = true;
        if (blankRowSeen && left && right)
            return;
        channel.top += 1;
        channel.height -= 1;
    }
}

} // namespace

std::vector<Region> divideRowsAroundChannels(const cv::Mat& image, Region region,
                                             SegmentationParams params, const cv::Mat& rowInk) {
    const cv::Mat block = image(region.rect);
    RunList runs =
        findProfileRuns(rowInk, region.rect.width, region, params.noiseLevel, params.skipRuleRows);
    if (runs.size() < 2)
        return {};
    // With a single run there is no cut for a channel to block.
    if (runs.size() == 2)
        return regionsFromRuns(image, region, std::move(runs), SlabAxis::Rows);

    std::vector<Channel> channels =
        findChannels(closedBackgroundComponents(block, kChannelKernelWidth, kChannelKernelHeight),
                     region.rect.width, region.rect.height);
    for (Channel& channel : channels)
        trimChannelTop(block, channel);

    // The cut before run j is identified by the row at which run j starts.
    RunList filtered{runs[0]};
    for (std::size_t j = 2; j + 1 < runs.size(); j += 2) {
        const std::int32_t start = runs[j];
        const bool blocked = std::any_of(channels.begin(), channels.end(), [&](const Channel& c) {
            return c.top < start && start < c.top + c.height;
        });
        if (!blocked)
            filtered.insert(filtered.end(), {runs[j - 1], start});
    }
    filtered.push_back(runs.back());
    return regionsFromRuns(image, region, std::move(filtered), SlabAxis::Rows);
}

} // namespace pagecut
