// The whole run after a successful parse: working page, two passes, merging,
// the result file and the annotated image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/region.h"

namespace pagecut {

// The block lists of one page.
struct PageBlocks {
    std::vector<Region> boxes;  // framed blocks found by the first pass
    std::vector<Region> blocks; // second pass, before merging
    std::vector<Region> merged; // the final list
};

// The working page of a greyscale image: every pixel that is not pure white is
// ink (1), the rest 0; outside `box` (x0, y0, x1, y1, exclusive ends) all is
// blank, unless the box is all zeros. The page keeps the image's size.
cv::Mat prepareWorkingPage(const cv::Mat& grey, const std::vector<std::int32_t>& box);

// Runs both passes over a working page and merges the second pass. The page
// may be drawn into by the table strategies.
PageBlocks segmentWorkingPage(cv::Mat& page);

// Outlines each block in `colour` with line thickness `thickness` and writes
// its index just above its top-left corner.
void drawRegions(cv::Mat& canvas, const std::vector<Region>& regions, const cv::Scalar& colour,
                 int thickness);

// The run itself. Returns 0, or the exit code of the output file that could
// not be written (after writing its message).
int runPagePipeline(std::string inputFileName, std::string inputDirectory, std::string savePath,
                    std::vector<std::int32_t> box, bool saveImage, std::string logPath);

} // namespace pagecut
