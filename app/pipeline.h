// SPDX-License-Identifier: Apache-2.0
// The whole run after a successful parse: working page, two passes, merging,
// the result file and the annotated image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "app/options.h"
#include "app/page.h"
#include "app/result_formats.h"
#include "core/region.h"

namespace pagecut {

// Outlines each block in `colour` with line thickness `thickness` and writes
// its index just above its top-left corner.
void drawRegions(cv::Mat& canvas, const std::vector<cv::Rect>& regions, const cv::Scalar& colour,
                 int thickness);

// The run itself. `grey` is the page as the command-line check decoded it,
// so that the file is decoded once; when empty, the file is read here.
// `options` are the leading options: --format chooses the result file's
// format, --paragraphs the blocks. Returns 0, or the exit code of the file
// that could not be read or written (after writing its message).
int runPagePipeline(std::string inputFileName, std::string inputDirectory, std::string savePath,
                    const PageBox& box, bool saveImage, std::string logPath,
                    cv::Mat grey = cv::Mat(), const ProgramOptions& options = {});

} // namespace pagecut
