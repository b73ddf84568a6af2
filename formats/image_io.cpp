// SPDX-License-Identifier: Apache-2.0
#include "formats/image_io.h"

#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <mutex>
#include <unistd.h>
#include <vector>

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>

namespace pagecut {

namespace {

// While alive, file descriptor 2 points to /dev/null; restored when the last
// one ends. The descriptor belongs to the whole process, so objects alive at
// the same time on several threads (the Python module reads files on many)
// share one redirection: each saving and restoring its own would leave the
// stream pointing at /dev/null whenever their lives overlap out of order.
class QuietStderr {
  public:
    QuietStderr() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (users_++ > 0)
            return;
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
        const std::lock_guard<std::mutex> lock(mutex_);
        if (--users_ > 0)
            return;
        std::fflush(stderr);
        if (saved_ < 0)
            return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    static inline std::mutex mutex_;
    static inline int users_ = 0;
    static inline int saved_ = -1;
};

} // namespace

cv::Mat readGreyImage(const std::string& path) {
    // The file is read once and decoded from memory: reading it by name would
    // open it twice (once to recognise the format), which a named pipe or
    // standard input cannot serve.
    std::vector<std::uint8_t> bytes;
    {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return cv::Mat();
        std::vector<char> chunk(1 << 20);
        while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) ||
               file.gcount() > 0)
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + file.gcount());
        if (file.bad() || bytes.empty())
            return cv::Mat();
    }
    QuietStderr quiet;
    try {
        return cv::imdecode(bytes, cv::IMREAD_GRAYSCALE);
    } catch (const std::exception&) {
        return cv::Mat();
    }
}

namespace {

// Whether the writer chosen by the extension of `path` can hold an image of
// `image`'s type (the grey-only formats cannot hold the colour annotation).
// Only a dot in the file name starts an extension; OpenCV's own lookup would
// also take one in a folder name ("v1.jpg/scan").
bool writerTakes(const std::string& path, const cv::Mat& image) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    if (!cv::haveImageWriter(path))
        return false;
    std::vector<std::uint8_t> encoded;
    const cv::Mat sample(1, 1, image.type(), cv::Scalar::all(0));
    return cv::imencode(path.substr(dot), sample, encoded);
}

} // namespace

bool writeImage(std::string& path, const cv::Mat& image) {
    QuietStderr quiet;
    try {
        bool takes = false;
        try {
            takes = writerTakes(path, image);
        } catch (const std::exception&) {
            takes = false;
        }
        if (!takes)
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
