// SPDX-License-Identifier: Apache-2.0
#include "formats/annotated_image.h"

#include <algorithm>
#include <string>

#include <opencv2/imgproc.hpp>

namespace pagecut {

void drawRegions(cv::Mat& canvas, const std::vector<cv::Rect>& regions, const cv::Scalar& colour,
                 int thickness) {
    const double fontScale = std::max(thickness - 1, 1);
    for (std::size_t k = 0; k < regions.size(); ++k) {
        const cv::Rect& r = regions[k];
        cv::rectangle(canvas, r, colour, thickness, cv::LINE_8);
        cv::putText(canvas, std::to_string(k), cv::Point(r.x, r.y), cv::FONT_HERSHEY_PLAIN,
                    fontScale, colour, 2, cv::LINE_8);
    }
}

} // namespace pagecut
