// SPDX-License-Identifier: Apache-2.0
#include "paragraph/paragraph_mode.h"

#include <cmath>
#include <vector>

#include "paragraph/grouping.h"
#include "paragraph/scale.h"
#include "segment/page_passes.h"

namespace pagecut {

namespace {

std::vector<cv::Rect> unscaleAll(const std::vector<cv::Rect>& rects, double scale, cv::Size page) {
    std::vector<cv::Rect> out;
    for (const cv::Rect& r : rects) {
        const cv::Rect mapped = unscaleRect(r, scale, page);
        if (!mapped.empty())
            out.push_back(mapped);
    }
    return out;
}

} // namespace

cv::Rect unscaleRect(const cv::Rect& r, double scale, cv::Size page) {
    const int x0 = static_cast<int>(std::floor(r.x / scale));
    const int y0 = static_cast<int>(std::floor(r.y / scale));
    const int x1 = static_cast<int>(std::ceil((r.x + r.width) / scale));
    const int y1 = static_cast<int>(std::ceil((r.y + r.height) / scale));
    return cv::Rect(x0, y0, x1 - x0, y1 - y0) & cv::Rect(0, 0, page.width, page.height);
}

void cutParagraphs(const cv::Mat& grey, const PageBox& box, PageBlocks& result) {
    ScaledPage scaled = scalePage(grey, box);
    // The passes may draw into their page; the regrouping reads the ink as it was.
    cv::Mat working = scaled.ink.clone();
    const PageRegions regions = segmentWorkingPage(working);
    std::vector<cv::Rect> blocks;
    for (const Region& region : regions.blocks)
        blocks.push_back(region.rect);
    const std::vector<cv::Rect> groups =
        groupParagraphs(blocks, scaled.ink, scaled.glyphs, scaled.textHeight);
    result.blocks = unscaleAll(groups, scaled.scale, grey.size());
    result.unmerged = unscaleAll(blocks, scaled.scale, grey.size());
}

} // namespace pagecut
