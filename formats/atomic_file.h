// SPDX-License-Identifier: Apache-2.0
// Writing a file so that its name shows the earlier file or the whole new
// one, never a part: the result files and the annotated image.
#pragma once

#include <string>
#include <string_view>

namespace pagecut {

// Writes `content` as the file at `path`. A regular file, or a free name, is
// replaced: the bytes go to a new file in the same folder, which takes the
// name only once it is whole (a symbolic link is followed, and the file it
// points to is replaced). While it is written that new file has no name
// where the file system allows it, so that a run killed at any moment leaves
// nothing behind; elsewhere it is a hidden ".NAME.PID-RANDOM.tmp" that only
// a killed run leaves. Everything else is written in place, since it cannot
// be replaced: a pipe, a terminal, a device, a descriptor named under /proc
// (/dev/stdout); so is an existing file in a folder that takes no new files.
// An existing file that may not be written is refused, as opening it would
// be. Returns false when the file could not be written completely; then the
// new file is gone and an earlier file under the name is untouched (unless it
// was written in place).
bool writeFileAtomically(const std::string& path, std::string_view content);

} // namespace pagecut
