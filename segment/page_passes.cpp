// SPDX-License-Identifier: Apache-2.0
#include "segment/page_passes.h"

#include <opencv2/core.hpp>

#include "segment/driver.h"
#include "segment/merge.h"

namespace pagecut {

bool isWholePage(const PageBox& box) {
    return box.x0 == 0 && box.y0 == 0 && box.x1 == 0 && box.y1 == 0;
}

cv::Rect boxArea(const PageBox& box, const cv::Size& size) {
    const cv::Rect all(0, 0, size.width, size.height);
    if (isWholePage(box))
        return all;
    return cv::Rect(box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0) & all;
}

cv::Mat prepareWorkingPage(const cv::Mat& grey, const PageBox& box) {
    cv::Mat page = grey.clone();
    prepareWorkingPageInPlace(page, box);
    return page;
}

void prepareWorkingPageInPlace(cv::Mat& page, const PageBox& box) {
    // Only pure white is background; there is no other threshold. The width
    // is read once: a byte store may alias page.cols, and re-reading it would
    // keep the loop from being vectorised.
    const int cols = page.cols;
    for (int r = 0; r < page.rows; ++r) {
        std::uint8_t* row = page.ptr<std::uint8_t>(r);
        for (int c = 0; c < cols; ++c)
            row[c] = row[c] != 255;
    }
    if (isWholePage(box))
        return;
    const cv::Rect inside = boxArea(box, page.size());
    if (inside.empty()) {
        page.setTo(0);
        return;
    }
    page(cv::Rect(0, 0, page.cols, inside.y)).setTo(0);
    page(cv::Rect(0, inside.y + inside.height, page.cols, page.rows - inside.y - inside.height))
        .setTo(0);
    page(cv::Rect(0, inside.y, inside.x, inside.height)).setTo(0);
    page(cv::Rect(inside.x + inside.width, inside.y, page.cols - inside.x - inside.width,
                  inside.height))
        .setTo(0);
}

PageStatus checkBox(const PageBox& box, const cv::Size& size) {
    if (box.x0 < 0 || box.y0 < 0 || box.x1 >= size.width || box.y1 >= size.height)
        return PageStatus::BoxOutsideImage;
    if (!isWholePage(box) && (box.x0 >= box.x1 || box.y0 >= box.y1))
        return PageStatus::EmptyBox;
    return PageStatus::Ok;
}

PageRegions segmentWorkingPage(cv::Mat& page) {
    PageRegions regions;
    segmentPage(page, regions.boxes, boxPassParams());
    segmentPage(page, regions.blocks, layoutPassParams(regions.boxes));
    mergeRegions(regions.blocks, regions.merged);
    return regions;
}

} // namespace pagecut
