#include "segment/block_tests.h"

#include <vector>

#include "core/profile.h"

namespace pagecut {

std::int32_t measureLineGap(cv::Mat view, SegmentationParams params) {
    if (params.boxPass)
        return 0;
    const cv::Mat profile = rowProfile(view);
    std::vector<std::int32_t> bounds;
    bool blank = false;
    for (int r = 0; r < profile.rows; ++r) {
        const bool rowBlank = profile.at<std::int32_t>(r, 0) <= 0;
        if (rowBlank != blank) {
            bounds.push_back(r);
            blank = rowBlank;
        }
    }
    if (blank)
        bounds.push_back(profile.rows);
    if (bounds.empty())
        return 1;

    std::vector<std::int32_t> heights;
    for (std::size_t i = 0; i + 1 < bounds.size(); i += 2)
        heights.push_back(bounds[i + 1] - bounds[i]);
    return upperMedian(std::move(heights));
}

bool isBoxed(const cv::Mat& image, Region region) {
    const int width = region.rect.width;
    const int height = region.rect.height;
    if (width <= 20 || height <= 20)
        return false;
    const cv::Mat view = image(region.rect);
    const cv::Mat rows = rowProfile(view);
    const cv::Mat cols = columnProfile(view);
    const int tolW = static_cast<int>(width * 0.1);
    const int tolH = static_cast<int>(height * 0.1);

    bool top = false, bottom = false, left = false, right = false;
    for (int i = 0; i < 3; ++i) {
        if (top && bottom && left && right)
            break;
        if (!top && rows.at<std::int32_t>(i, 0) >= width - tolW)
            top = true;
        if (!bottom && rows.at<std::int32_t>(height - 1 - i, 0) >= width - tolW)
            bottom = true;
        if (!left && cols.at<std::int32_t>(0, i) >= height - tolH)
            left = true;
        if (!right && cols.at<std::int32_t>(0, width - 1 - i) >= height - tolH)
            right = true;
    }
    return top && bottom && left && right;
}

} // namespace pagecut
