// SPDX-License-Identifier: Apache-2.0
#include "tests/support/test_images.h"

#include <opencv2/core.hpp>

namespace pagecut::test {

cv::Mat imageFromRows(std::initializer_list<std::string> rows) {
    const int height = static_cast<int>(rows.size());
    const int width = height == 0 ? 0 : static_cast<int>(rows.begin()->size());
    cv::Mat image = cv::Mat::zeros(height, width, CV_8UC1);
    int r = 0;
    for (const std::string& row : rows) {
        for (int c = 0; c < width && c < static_cast<int>(row.size()); ++c)
            image.at<std::uint8_t>(r, c) = (row[c] == '.' || row[c] == ' ') ? 0 : 1;
        ++r;
    }
    return image;
}

cv::Mat blankImage(int cols, int rows) {
    return cv::Mat::zeros(rows, cols, CV_8UC1);
}

void fill(cv::Mat& image, const cv::Rect& rect, int value) {
    const cv::Rect clipped = rect & cv::Rect(0, 0, image.cols, image.rows);
    if (!clipped.empty())
        image(clipped).setTo(value);
}

void frame(cv::Mat& image, const cv::Rect& rect, int thickness) {
    fill(image, cv::Rect(rect.x, rect.y, rect.width, thickness));
    fill(image, cv::Rect(rect.x, rect.y + rect.height - thickness, rect.width, thickness));
    fill(image, cv::Rect(rect.x, rect.y, thickness, rect.height));
    fill(image, cv::Rect(rect.x + rect.width - thickness, rect.y, thickness, rect.height));
}

cv::Mat profileOf(std::initializer_list<int> values) {
    cv::Mat profile(1, static_cast<int>(values.size()), CV_32S);
    int i = 0;
    for (const int v : values)
        profile.at<std::int32_t>(0, i++) = v;
    return profile;
}

} // namespace pagecut::test
