#include "core/profile.h"

#include <algorithm>

#include <opencv2/core.hpp>

namespace pagecut {

cv::Mat rowProfile(const cv::Mat& view) {
    cv::Mat profile;
    if (view.empty())
        return profile;
    cv::reduce(view, profile, 1, cv::REDUCE_SUM, CV_32S);
    return profile;
}

cv::Mat columnProfile(const cv::Mat& view) {
    cv::Mat profile;
    if (view.empty())
        return profile;
    cv::reduce(view, profile, 0, cv::REDUCE_SUM, CV_32S);
    return profile;
}

RunList findProfileRuns(const cv::Mat& profile, std::int32_t fullScale, const Region& region,
                        std::int32_t noise, bool excludeFull) {
    std::int32_t threshold = noise;
    std::int32_t margin = std::min(fullScale / 10, 10);
    if (region.inverted) {
        threshold = 0;
        margin = 0;
    }
    // Compared in 64 bits so that an extreme full scale cannot overflow.
    const std::int64_t fullLimit = std::int64_t(fullScale) - margin;

    RunList runs;
    bool inside = false;
    std::int32_t index = 0;
    for (int r = 0; r < profile.rows; ++r) {
        const std::int32_t* row = profile.ptr<std::int32_t>(r);
        for (int c = 0; c < profile.cols; ++c, ++index) {
            const std::int32_t v = row[c];
            if (!inside) {
                if (v > threshold && (!excludeFull || v < fullLimit)) {
                    runs.push_back(index);
                    inside = true;
                }
            } else if (v <= threshold) {
                runs.push_back(index);
                inside = false;
            }
        }
    }
    if (inside)
        runs.push_back(index);
    return runs;
}

std::vector<Region> regionsFromRuns(const cv::Mat& image, const Region& parent, RunList runs,
                                    SlabAxis axis) {
    std::vector<Region> children;
    if (runs.size() < 2)
        return children;
    for (std::size_t j = 0; j + 1 < runs.size(); j += 2) {
        const std::int32_t start = runs[j];
        const std::int32_t end = runs[j + 1];
        cv::Rect candidate;
        if (axis == SlabAxis::Columns)
            candidate = cv::Rect(parent.rect.x + start, parent.rect.y, end - start, image.rows);
        else
            candidate = cv::Rect(parent.rect.x, parent.rect.y + start, image.cols, end - start);
        const cv::Rect clipped = candidate & parent.rect;
        if (clipped.width <= 5)
            continue;
        Region child;
        child.rect = clipped;
        child.lineGap = 0;
        child.depth = parent.depth;
        child.inverted = parent.inverted;
        child.inCell = parent.inCell;
        children.push_back(child);
    }
    if (children.size() == 1 && children.front().rect == parent.rect)
        children.clear();
    return children;
}

std::int64_t inkInside(const cv::Mat& image, const cv::Rect& rect) {
    const cv::Rect clipped = rect & cv::Rect(0, 0, image.cols, image.rows);
    if (clipped.empty())
        return 0;
    return static_cast<std::int64_t>(cv::sum(image(clipped))[0]);
}

std::int32_t upperMedian(std::vector<std::int32_t> values) {
    const auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace pagecut
