// The process-wide table setting chosen on the command line (1 or 2). It is
// written only by the command-line parser and read only by the table row
// separator step; it is deliberately not part of SegmentationParams.
#pragma once

#include <cstdint>

namespace pagecut {

extern std::int32_t TABLE_LOGIC;

} // namespace pagecut
