// SPDX-License-Identifier: Apache-2.0
// cutPage on top of both modes: the checks the public header promises, the
// caller's table setting for the duration of the call, then the default
// mode's two passes or the paragraph mode.
#include "library/cut_page.h"

#include <cstdint>
#include <vector>

#include "core/table_logic.h"
#include "paragraph/paragraph_mode.h"
#include "segment/page_passes.h"

namespace pagecut {

namespace {

// Sets the calling thread's table setting for one call and restores it.
class TableLogicScope {
  public:
    explicit TableLogicScope(int value) : saved_(TABLE_LOGIC) { TABLE_LOGIC = value; }
    ~TableLogicScope() { TABLE_LOGIC = saved_; }
    TableLogicScope(const TableLogicScope&) = delete;
    TableLogicScope& operator=(const TableLogicScope&) = delete;

  private:
    std::int32_t saved_;
};

std::vector<cv::Rect> rectsOf(const std::vector<Region>& regions) {
    std::vector<cv::Rect> rects;
    rects.reserve(regions.size());
    for (const Region& region : regions)
        rects.push_back(region.rect);
    return rects;
}

PageStatus checkPage(const cv::Mat& grey, const PageBox& box, const PageOptions& options) {
    if (grey.empty() || grey.type() != CV_8UC1)
        return PageStatus::NotGreyscale;
    if (!isTableLogicValue(options.tableLogic))
        return PageStatus::BadTableLogic;
    if (options.skew && !isSkewValue(*options.skew))
        return PageStatus::BadSkew;
    return checkBox(box, grey.size());
}

// The one body of both cuts. `owned` tells whether `grey` may become the
// working page; otherwise the default mode works on a copy. The paragraph
// mode scales the page instead of working on it, so it never needs one.
PageStatus cut(cv::Mat& grey, bool owned, const PageBox& box, const PageOptions& options,
               PageBlocks& result) {
    result = PageBlocks();
    const PageStatus status = checkPage(grey, box, options);
    if (status != PageStatus::Ok)
        return status;
    const TableLogicScope tableLogic(options.tableLogic);
    if (options.paragraphs) {
        cutParagraphs(grey, box, options.skew, result);
        return PageStatus::Ok;
    }
    cv::Mat page = owned ? grey : grey.clone();
    prepareWorkingPageInPlace(page, box);
    const PageRegions regions = segmentWorkingPage(page);
    result.blocks = rectsOf(regions.merged);
    result.unmerged = rectsOf(regions.blocks);
    return PageStatus::Ok;
}

} // namespace

PageStatus cutPage(const cv::Mat& grey, const PageBox& box, const PageOptions& options,
                   PageBlocks& result) {
    // Read only: the default mode clones before it writes.
    cv::Mat view = grey;
    return cut(view, false, box, options, result);
}

PageStatus cutPageInPlace(cv::Mat& grey, const PageBox& box, const PageOptions& options,
                          PageBlocks& result) {
    return cut(grey, true, box, options, result);
}

} // namespace pagecut
