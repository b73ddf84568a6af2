// SPDX-License-Identifier: Apache-2.0
// The table setting chosen on the command line (1 or 2). It is written only
// by the command-line parser (or for the length of one library call) and read
// only by the table row separator step; it is deliberately not part of
// SegmentationParams. Each thread has its own, so that library calls on
// several threads cannot disturb one another; the program has one thread.
#pragma once

#include <cstdint>

namespace pagecut {

extern thread_local constinit std::int32_t TABLE_LOGIC;

} // namespace pagecut
