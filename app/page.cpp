#include "app/page.h"

#include <algorithm>

#include <opencv2/core.hpp>

#include "app/merge.h"
#include "core/table_logic.h"
#include "pagecut/pagecut.h"
#include "segment/driver.h"

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

} // namespace

cv::Mat prepareWorkingPage(const cv::Mat& grey, const std::vector<std::int32_t>& box) {
    // Only pure white is background; there is no other threshold.
    cv::Mat page = grey != 255;
    page &= 1;
    const bool wholePage = box.size() < 4 || std::all_of(box.begin(), box.end(),
                                                         [](std::int32_t v) { return v == 0; });
    if (wholePage)
        return page;
    const cv::Rect inside = cv::Rect(box[0], box[1], box[2] - box[0], box[3] - box[1]) &
                            cv::Rect(0, 0, page.cols, page.rows);
    cv::Mat masked = cv::Mat::zeros(page.size(), page.type());
    if (!inside.empty())
        page(inside).copyTo(masked(inside));
    return masked;
}

PageRegions segmentWorkingPage(cv::Mat& page) {
    PageRegions regions;
    segmentPage(page, regions.boxes, boxPassParams());
    segmentPage(page, regions.blocks, layoutPassParams(regions.boxes));
    mergeRegions(regions.blocks, regions.merged);
    return regions;
}

PageStatus cutPage(const cv::Mat& grey, const PageBox& box, const PageOptions& options,
                   PageBlocks& result) {
    result = PageBlocks();
    if (grey.empty() || grey.type() != CV_8UC1)
        return PageStatus::NotGreyscale;
    if (options.tableLogic != 1 && options.tableLogic != 2)
        return PageStatus::BadTableLogic;
    if (box.x0 < 0 || box.y0 < 0 || box.x1 >= grey.cols || box.y1 >= grey.rows)
        return PageStatus::BoxOutsideImage;
    const bool allZero = box.x0 == 0 && box.y0 == 0 && box.x1 == 0 && box.y1 == 0;
    if (!allZero && (box.x0 >= box.x1 || box.y0 >= box.y1))
        return PageStatus::EmptyBox;

    const TableLogicScope tableLogic(options.tableLogic);
    cv::Mat page = prepareWorkingPage(grey, {box.x0, box.y0, box.x1, box.y1});
    const PageRegions regions = segmentWorkingPage(page);
    result.blocks = rectsOf(regions.merged);
    result.unmerged = rectsOf(regions.blocks);
    return PageStatus::Ok;
}

} // namespace pagecut
