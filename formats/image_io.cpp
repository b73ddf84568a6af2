// SPDX-License-Identifier: Apache-2.0
#include "formats/image_io.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <mutex>
#include <string_view>
#include <unistd.h>
#include <vector>

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>

#include "formats/atomic_file.h"

namespace pagecut {

namespace {

// Where the C library's standard error stream goes while a codec runs: the
// codecs (libpng, libjpeg) print their complaints there themselves, past
// OpenCV's log level. Writes from the thread that decodes or encodes are
// dropped; those of every other thread go on to descriptor 2 unchanged. The
// descriptor itself is never touched: other threads (a Python program's own,
// say) keep writing to it throughout.
thread_local bool t_codecRunning = false;

ssize_t forwardOtherThreads(void*, const char* data, std::size_t size) {
    if (t_codecRunning)
        return static_cast<ssize_t>(size);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(STDERR_FILENO, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return written > 0 ? static_cast<ssize_t>(written) : -1;
        written += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

// While alive, the C library's `stderr` is the filter above. Objects alive at
// the same time on several threads (the Python module reads files on many)
// share one swap, made by the first and undone by the last.
class QuietCodecs {
  public:
    QuietCodecs() : outer_(t_codecRunning) {
        t_codecRunning = true;
        const std::lock_guard<std::mutex> lock(mutex_);
        if (users_++ > 0)
            return;
        static std::FILE* const filter = [] {
            std::FILE* file =
                ::fopencookie(nullptr, "w", {nullptr, forwardOtherThreads, nullptr, nullptr});
            if (file != nullptr)
                std::setvbuf(file, nullptr, _IONBF, 0);
            return file;
        }();
        saved_ = stderr;
        if (filter != nullptr)
            stderr = filter;
    }
    ~QuietCodecs() {
        t_codecRunning = outer_;
        const std::lock_guard<std::mutex> lock(mutex_);
        if (--users_ == 0)
            stderr = saved_;
    }
    QuietCodecs(const QuietCodecs&) = delete;
    QuietCodecs& operator=(const QuietCodecs&) = delete;

  private:
    bool outer_;
    static inline std::mutex mutex_;
    static inline int users_ = 0;
    static inline std::FILE* saved_ = nullptr;
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
    QuietCodecs quiet;
    try {
        return cv::imdecode(bytes, cv::IMREAD_GRAYSCALE);
    } catch (const std::exception&) {
        return cv::Mat();
    }
}

namespace {

// The extension of `path` when the writer it chooses can hold an image of
// `image`'s type (the grey-only formats cannot hold the colour annotation);
// empty otherwise. Only a dot in the file name starts an extension; OpenCV's
// own lookup would also take one in a folder name ("v1.jpg/scan").
std::string writerExtension(const std::string& path, const cv::Mat& image) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    try {
        if (!cv::haveImageWriter(path))
            return "";
        std::vector<std::uint8_t> encoded;
        const cv::Mat sample(1, 1, image.type(), cv::Scalar::all(0));
        return cv::imencode(path.substr(dot), sample, encoded) ? path.substr(dot) : "";
    } catch (const std::exception&) {
        return "";
    }
}

} // namespace

bool writeImage(std::string& path, const cv::Mat& image) {
    QuietCodecs quiet;
    try {
        std::string extension = writerExtension(path, image);
        if (extension.empty()) {
            path += ".png";
            extension = ".png";
        }
        // Encoded in memory, so that the file appears whole or not at all.
        std::vector<std::uint8_t> encoded;
        if (!cv::imencode(extension, image, encoded))
            return false;
        return writeFileAtomically(
            path, std::string_view(reinterpret_cast<const char*>(encoded.data()), encoded.size()));
    } catch (const std::exception&) {
        return false;
    }
}

void silenceLibraryLogging() {
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
}

} // namespace pagecut
