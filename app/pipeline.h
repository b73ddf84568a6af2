// SPDX-License-Identifier: Apache-2.0
// The whole run after a successful parse: the page read and checked against
// the box, the cut, the result file and the annotated image.
#pragma once

#include "app/command_line.h"

namespace pagecut {

// Runs the page that `args` describes. The leading options choose the result
// file's format (--format) and the blocks (--paragraphs). Returns 0, or the
// exit code of the fault after its message: an image that cannot be read or
// a box outside it (with the usage line, as the command line's own faults),
// a result file or annotated image that cannot be written.
int runPagePipeline(const CommandLineArgs& args);

} // namespace pagecut
