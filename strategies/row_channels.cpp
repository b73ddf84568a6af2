#include <opencv2/core.hpp>

#include "strategies/row_channels.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

#include "core/profile.h"

namespace pagecut {

namespace {

constexpr int kChannelKernelWidth = 11;
constexpr int kChannelKernelHeight = 201;
constexpr int kGranaLabelling = 1;

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

// Components that pass the edge test and are large or tall enough. Each
// component's column profile is counted in one pass over the label image;
// a component's pixels lie within its bounding box, so each profile only
// spans the component's own columns.
std::vector<Channel> findChannels(const cv::Mat& labels, const cv::Mat& stats, int count,
                                  int blockWidth, int blockHeight) {
    std::vector<std::size_t> offset(count + 1, 0);
    for (int i = 1; i < count; ++i)
        offset[i + 1] = offset[i] + stats.at<std::int32_t>(i, cv::CC_STAT_WIDTH);
    std::vector<std::int32_t> columnCounts(offset[count], 0);
    for (int r = 0; r < labels.rows; ++r) {
        const std::int32_t* row = labels.ptr<std::int32_t>(r);
        for (int c = 0; c < labels.cols; ++c) {
            const std::int32_t label = row[c];
            if (label <= 0)
                continue;
            const int left = stats.at<std::int32_t>(label, cv::CC_STAT_LEFT);
            ++columnCounts[offset[label] + (c - left)];
        }
    }

    std::vector<std::int32_t> areas;
    for (int i = 1; i < count; ++i)
        areas.push_back(stats.at<std::int32_t>(i, cv::CC_STAT_AREA));
    const std::int32_t threshold = areaThreshold(std::move(areas));

    std::vector<Channel> channels;
    for (int i = 1; i < count; ++i) {
        const int left = stats.at<std::int32_t>(i, cv::CC_STAT_LEFT);
        const int width = stats.at<std::int32_t>(i, cv::CC_STAT_WIDTH);
        const auto first = columnCounts.begin() + offset[i];
        const auto tallest = std::max_element(first, first + width);
        const std::int32_t most = *tallest;
        const std::int32_t atLeftEdge = left == 0 ? first[0] : 0;
        const std::int32_t atRightEdge = left + width == blockWidth ? first[width - 1] : 0;
        // A component tallest at the block's left or right edge is a margin.
        if (!(atLeftEdge < most && atRightEdge < most))
            continue;
        const bool large = stats.at<std::int32_t>(i, cv::CC_STAT_AREA) >= threshold;
        const bool tall = stats.at<std::int32_t>(i, cv::CC_STAT_HEIGHT) >= blockHeight / 10;
        if (!large && !tall)
            continue;
        Channel channel;
        channel.left = left;
        channel.top = stats.at<std::int32_t>(i, cv::CC_STAT_TOP);
        channel.height = stats.at<std::int32_t>(i, cv::CC_STAT_HEIGHT);
        channel.tallestColumn = left + static_cast<int>(tallest - first);
        channels.push_back(channel);
    }
    return channels;
}

int inkInRow(const cv::Mat& block, int row, int from, int to) {
    const std::uint8_t* pixels = block.ptr<std::uint8_t>(row);
    int ink = 0;
    for (int c = from; c < to; ++c)
        ink += pixels[c];
    return ink;
}

// Moves the channel's top down past the rows that still have ink on one side
// (the end of a heading that spans the gutter) to the first row with text on
// both sides, so that a cut just under a spanning heading stays allowed.
void trimChannelTop(const cv::Mat& block, Channel& channel) {
    const int width = block.cols;
    bool blankRowSeen = false;
    while (channel.height >= 1) {
        const int s1 = inkInRow(block, channel.top, 0, channel.left);
        const int s2 = inkInRow(block, channel.top, channel.tallestColumn, width - 1);
        if (!blankRowSeen && s1 == 0 && s2 == 0)
            blankRowSeen = true;
        if (blankRowSeen && s1 > 0 && s2 > 0)
            return;
        channel.top += 1;
        channel.height -= 1;
    }
}

} // namespace

cv::Mat closeBlock(const cv::Mat& block, int kernelWidth, int kernelHeight) {
    const cv::Mat kernel =
        cv::getStructuringElement(cv::MORPH_RECT, cv::Size(kernelWidth, kernelHeight));
    cv::Mat copy = block.clone();
    cv::Mat dilated, closed;
    cv::dilate(copy, dilated, kernel);
    cv::erode(dilated, closed, kernel);
    return closed;
}

std::vector<Region> divideRowsAroundChannels(const cv::Mat& image, Region region,
                                             SegmentationParams params) {
    const cv::Mat block = image(region.rect);
    RunList runs = findProfileRuns(rowProfile(block), region.rect.width, region, params.noiseLevel,
                                   params.skipRuleRows);
    if (runs.size() < 2)
        return {};

    const cv::Mat closed = closeBlock(block, kChannelKernelWidth, kChannelKernelHeight);
    cv::Mat background;
    cv::subtract(cv::Scalar::all(1), closed, background);
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(background, labels, stats, centroids, 8,
                                                       CV_32S, kGranaLabelling);

    std::vector<Channel> channels =
        findChannels(labels, stats, count, region.rect.width, region.rect.height);
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
