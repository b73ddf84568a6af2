// SPDX-License-Identifier: Apache-2.0
#include "app/pipeline.h"

#include <iostream>

#include <opencv2/imgproc.hpp>

#include "app/messages.h"
#include "core/table_logic.h"
#include "formats/annotated_image.h"
#include "formats/image_io.h"
#include "formats/result_formats.h"
#include "library/cut_page.h"
#include "segment/page_passes.h"

namespace pagecut {

int runPagePipeline(const CommandLineArgs& args) {
    const std::string imagePath = args.inputDirectory + args.inputFileName;
    cv::Mat grey = readGreyImage(imagePath);
    if (grey.empty())
        return failWithUsage(std::cout, unreadableImageMessage(imagePath), args,
                             kExitUnreadableImage);
    if (checkBox(args.box, grey.size()) != PageStatus::Ok)
        return failWithUsage(std::cout, kBoxOutsideImageMessage, args, kExitBoxOutsideImage);
    cv::Mat canvas;
    if (args.saveImage)
        cv::cvtColor(grey, canvas, cv::COLOR_GRAY2BGR);

    const cv::Size pageSize = grey.size(); // for the structured result formats
    PageBlocks blocks;
    // The grey page becomes the working page: nothing needs it afterwards.
    const PageOptions pageOptions{TABLE_LOGIC, args.options.paragraphs, args.options.skew};
    if (cutPageInPlace(grey, args.box, pageOptions, blocks) != PageStatus::Ok) {
        // Checked above; only an image the library cannot take gets here.
        writeMessage(std::cout, kBoxOutsideImageMessage);
        return kExitBoxOutsideImage;
    }
    grey.release();

    std::string logPath = args.logPath;
    if (logPath.empty())
        logPath = args.savePath + "res_" + args.inputFileName +
                  std::string(resultFormatExtension(args.options.resultFormat));
    const ResultPage result{imagePath,     pageSize.width,          pageSize.height,
                            blocks.blocks, args.options.paragraphs, blocks.skew,
                            blocks.layouts};
    if (!writeResultFile(logPath, args.options.resultFormat, result)) {
        writeMessage(std::cerr, "Could not write result file " + logPath);
        return kExitResultFileNotWritten;
    }

    if (!args.saveImage)
        return kExitSuccess;
    if (args.options.paragraphs) {
        drawRegions(canvas, blocks.unmerged, cv::Scalar(255, 255, 0), 1);
        drawLayouts(canvas, blocks.layouts);
    } else {
        drawRegions(canvas, blocks.blocks, cv::Scalar(255, 0, 0), 3);
        drawRegions(canvas, blocks.unmerged, cv::Scalar(255, 255, 0), 2);
    }
    std::string imageOut = args.savePath + "res_" + args.inputFileName;
    if (!writeImage(imageOut, canvas)) {
        writeMessage(std::cerr, "Could not write annotated image " + imageOut);
        return kExitAnnotatedImageNotWritten;
    }
    return kExitSuccess;
}

} // namespace pagecut
