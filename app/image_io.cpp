#include "app/image_io.h"

#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>

namespace pagecut {

namespace {

// While alive, file descriptor 2 points to /dev/null; restored on exit.
class QuietStderr {
  public:
    QuietStderr() {
        std::cerr.flush();
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ < 0)
            return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    int saved_ = -1;
};

} // namespace

cv::Mat readGreyImage(const std::string& path) {
    QuietStderr quiet;
    try {
        return cv::imread(path, cv::IMREAD_GRAYSCALE);
    } catch (const std::exception&) {
        return cv::Mat();
    }
}

bool writeImage(std::string& path, const cv::Mat& image) {
    QuietStderr quiet;
    try {
        if (!cv::haveImageWriter(path))
            path += ".png";
        return cv::imwrite(path, image);
    } catch (const std::exception&) {
        return false;
    }
}

void silenceLibraryLogging() {
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
}

} // namespace pagecut
