#include "app/command_line.h"

#include <iostream>
#include <limits>
#include <optional>

#include "app/image_io.h"
#include "core/table_logic.h"

namespace pagecut {

namespace {

constexpr std::int32_t kTableLogicRange[2] = {1, 2};

// An unsigned decimal numeral that fits a 32-bit signed integer. Empty text,
// any other character, or a value out of range gives nothing.
std::optional<std::int32_t> parseNumber(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

int fail(std::ostream& stream, const std::string& text, const std::string& programName, int code) {
    writeMessage(stream, text);
    printUsage(programName);
    return code;
}

} // namespace

void writeMessage(std::ostream& stream, const std::string& text) {
    stream << std::endl << text << std::endl;
}

void printUsage(const std::string& programName) {
    std::cerr << std::endl
              << "Usage: " << programName
              << " INPUT_IMAGE BB_X0 BB_Y0 BB_X1 BB_Y1 SAVE_PATH LOG_PATH [TABLE_LOGIC = 1] "
                 "[SAVE_IMAGE_FLAG = 0]"
              << std::endl
              << std::endl;
}

std::pair<std::string, std::string> splitInputPath(const std::string& path) {
    const std::size_t last = path.find_last_of("\\/");
    if (last == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, last + 1), path.substr(last + 1)};
}

int parseCommandLine(int argc, const char* const* argv, CommandLineArgs& args) {
    const std::string programName = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    if (argc < 8) {
        printUsage(programName);
        return kExitTooFewArguments;
    }
    std::tie(args.inputDirectory, args.inputFileName) = splitInputPath(argv[1]);

    args.box.clear();
    for (int i = 2; i <= 5; ++i) {
        const std::optional<std::int32_t> value = parseNumber(argv[i]);
        if (!value) {
            return fail(
                std::cerr,
                std::string("Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got ") +
                    argv[i] + " instead.",
                programName, kExitBadCoordinate);
        }
        args.box.push_back(*value);
    }
    args.savePath = argv[6];
    args.logPath = argv[7];

    if (argc > 8) {
        const std::optional<std::int32_t> value = parseNumber(argv[8]);
        if (!value || *value < kTableLogicRange[0] || *value > kTableLogicRange[1]) {
            return fail(std::cerr,
                        "TABLE_LOGIC should be an int in (" + std::to_string(kTableLogicRange[0]) +
                            ", " + std::to_string(kTableLogicRange[1]) + "). Got " + argv[8] +
                            " instead.",
                        programName, kExitBadTableLogic);
        }
        TABLE_LOGIC = *value;
    }

    args.saveImage = false;
    if (argc > 9) {
        const std::optional<std::int32_t> value = parseNumber(argv[9]);
        if (!value) {
            return fail(std::cerr,
                        std::string("SAVE_IMAGE_FLAG should be a bool [0/1]. Got ") + argv[9] +
                            " instead.",
                        programName, kExitBadSaveImageFlag);
        }
        args.saveImage = *value != 0;
    }

    const std::string imagePath = args.inputDirectory + args.inputFileName;
    cv::Mat image = readGreyImage(imagePath);
    if (image.empty()) {
        return fail(std::cout, "Could not open or find INPUT_IMAGE " + imagePath, programName,
                    kExitUnreadableImage);
    }

    const std::vector<std::int32_t>& b = args.box;
    const bool outside = b[0] < 0 || b[1] < 0 || b[2] >= image.cols || b[3] >= image.rows;
    // A box that is not all zeros must have a positive width and height.
    const bool allZero = b[0] == 0 && b[1] == 0 && b[2] == 0 && b[3] == 0;
    const bool inverted = !allZero && (b[0] >= b[2] || b[1] >= b[3]);
    if (outside || inverted) {
        return fail(std::cout,
                    "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 exceed the size of INPUT_IMAGE.",
                    programName, kExitBoxOutsideImage);
    }
    args.image = image;
    return kExitSuccess;
}

} // namespace pagecut
