// SPDX-License-Identifier: Apache-2.0
// Reading and writing image files without letting the codecs' own complaints
// ("libpng error: ...") or exceptions reach the caller: the program's streams
// carry only its own messages, and a file that cannot be decoded or written is
// an ordinary failure. The complaints are kept from the C library's error
// stream of the calling thread alone; descriptor 2 is never redirected, so
// that other threads' writes to it all arrive.
#pragma once

#include <string>

#include <opencv2/core/mat.hpp>

namespace pagecut {

// The image at `path` as one-channel 8-bit greyscale; empty when it cannot be
// read (missing, not an image, corrupt, or refused by the reader's limits).
cv::Mat readGreyImage(const std::string& path);

// Writes `image` in the format its path names. When no writer knows the
// path's extension, or that format cannot hold an image of this type (a grey
// format given the colour annotation), ".png" is appended to `path` and PNG
// is written. The file appears whole or not at all (writeFileAtomically).
// Returns false when the file could not be written; `path` then names the
// file tried.
bool writeImage(std::string& path, const cv::Mat& image);

// Turns OpenCV's own log output off for the rest of the process.
void silenceLibraryLogging();

} // namespace pagecut
