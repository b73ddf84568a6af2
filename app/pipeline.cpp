#include "app/pipeline.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

#include <opencv2/imgproc.hpp>

#include "app/command_line.h"
#include "app/image_io.h"
#include "app/merge.h"
#include "segment/driver.h"

namespace pagecut {

namespace {

bool writeResultFile(const std::string& path, const std::vector<Region>& regions) {
    std::ofstream file(path, std::ios::out | std::ios::trunc);
    if (!file)
        return false;
    for (const Region& region : regions) {
        const cv::Rect& r = region.rect;
        file << r.x << ' ' << r.y << ' ' << r.width << ' ' << r.height << std::endl;
        if (!file)
            return false;
    }
    file.close();
    return !file.fail();
}

// A result file that could not be written completely must not look complete.
void discardPartialFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        std::remove(path.c_str());
}

} // namespace

cv::Mat prepareWorkingPage(const cv::Mat& grey, const std::vector<std::int32_t>& box) {
    // Only pure white is background; there is no other threshold.
    cv::Mat page = grey != 255;
    page &= 1;
    const bool wholePage =
        std::all_of(box.begin(), box.end(), [](std::int32_t v) { return v == 0; });
    if (wholePage || box.size() < 4)
        return page;
    const cv::Rect inside = cv::Rect(box[0], box[1], box[2] - box[0], box[3] - box[1]) &
                            cv::Rect(0, 0, page.cols, page.rows);
    cv::Mat masked = cv::Mat::zeros(page.size(), page.type());
    if (!inside.empty())
        page(inside).copyTo(masked(inside));
    return masked;
}

PageBlocks segmentWorkingPage(cv::Mat& page) {
    PageBlocks blocks;
    segmentPage(page, blocks.boxes, boxPassParams());
    segmentPage(page, blocks.blocks, layoutPassParams(blocks.boxes));
    mergeRegions(blocks.blocks, blocks.merged);
    return blocks;
}

void drawRegions(cv::Mat& canvas, const std::vector<Region>& regions, const cv::Scalar& colour,
                 int thickness) {
    const double fontScale = std::max(thickness - 1, 1);
    for (std::size_t k = 0; k < regions.size(); ++k) {
        const cv::Rect& r = regions[k].rect;
        cv::rectangle(canvas, r, colour, thickness, cv::LINE_8);
        cv::putText(canvas, std::to_string(k), cv::Point(r.x, r.y), cv::FONT_HERSHEY_PLAIN,
                    fontScale, colour, 2, cv::LINE_8);
    }
}

int runPagePipeline(std::string inputFileName, std::string inputDirectory, std::string savePath,
                    std::vector<std::int32_t> box, bool saveImage, std::string logPath) {
    const std::string imagePath = inputDirectory + inputFileName;
    const cv::Mat grey = readGreyImage(imagePath);
    if (grey.empty()) {
        // The file changed or vanished since the command line was checked.
        writeMessage(std::cout, "Could not open or find INPUT_IMAGE " + imagePath);
        return kExitUnreadableImage;
    }
    cv::Mat canvas;
    if (saveImage)
        cv::cvtColor(grey, canvas, cv::COLOR_GRAY2BGR);

    cv::Mat page = prepareWorkingPage(grey, box);
    const PageBlocks blocks = segmentWorkingPage(page);

    if (logPath.empty())
        logPath = savePath + "res_" + inputFileName + ".txt";
    if (!writeResultFile(logPath, blocks.merged)) {
        discardPartialFile(logPath);
        writeMessage(std::cerr, "Could not write result file " + logPath);
        return kExitResultFileNotWritten;
    }

    if (!saveImage)
        return kExitSuccess;
    drawRegions(canvas, blocks.merged, cv::Scalar(255, 0, 0), 3);
    drawRegions(canvas, blocks.blocks, cv::Scalar(255, 255, 0), 2);
    std::string imageOut = savePath + "res_" + inputFileName;
    if (!writeImage(imageOut, canvas)) {
        writeMessage(std::cerr, "Could not write annotated image " + imageOut);
        return kExitAnnotatedImageNotWritten;
    }
    return kExitSuccess;
}

} // namespace pagecut
