// SPDX-License-Identifier: Apache-2.0
#include "app/pipeline.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sys/stat.h>

#include <opencv2/imgproc.hpp>

#include "app/command_line.h"
#include "app/image_io.h"
#include "app/messages.h"
#include "core/table_logic.h"
#include "pagecut/pagecut.h"

namespace pagecut {

namespace {

// A result file that could not be written completely must not look complete.
void discardPartialFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        std::remove(path.c_str());
}

} // namespace

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

int runPagePipeline(std::string inputFileName, std::string inputDirectory, std::string savePath,
                    const PageBox& box, bool saveImage, std::string logPath, cv::Mat grey,
                    const ProgramOptions& options) {
    const std::string imagePath = inputDirectory + inputFileName;
    if (grey.empty())
        grey = readGreyImage(imagePath);
    if (grey.empty()) {
        // The file changed or vanished since the command line was checked.
        writeMessage(std::cout, unreadableImageMessage(imagePath));
        return kExitUnreadableImage;
    }
    cv::Mat canvas;
    if (saveImage)
        cv::cvtColor(grey, canvas, cv::COLOR_GRAY2BGR);

    const cv::Size pageSize = grey.size(); // for the structured result formats
    PageBlocks blocks;
    // The grey page becomes the working page: nothing needs it afterwards.
    const PageOptions pageOptions{TABLE_LOGIC, options.paragraphs};
    if (cutPageInPlace(grey, box, pageOptions, blocks) != PageStatus::Ok) {
        writeMessage(std::cout, kBoxOutsideImageMessage);
        return kExitBoxOutsideImage;
    }
    grey.release();

    if (logPath.empty())
        logPath = savePath + "res_" + inputFileName +
                  std::string(resultFormatExtension(options.resultFormat));
    const ResultPage result{imagePath, pageSize.width, pageSize.height, blocks.blocks};
    if (!writeResultFile(logPath, options.resultFormat, result)) {
        discardPartialFile(logPath);
        writeMessage(std::cerr, "Could not write result file " + logPath);
        return kExitResultFileNotWritten;
    }

    if (!saveImage)
        return kExitSuccess;
    drawRegions(canvas, blocks.blocks, cv::Scalar(255, 0, 0), 3);
    drawRegions(canvas, blocks.unmerged, cv::Scalar(255, 255, 0), 2);
    std::string imageOut = savePath + "res_" + inputFileName;
    if (!writeImage(imageOut, canvas)) {
        writeMessage(std::cerr, "Could not write annotated image " + imageOut);
        return kExitAnnotatedImageNotWritten;
    }
    return kExitSuccess;
}

} // namespace pagecut
