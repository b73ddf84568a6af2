// SPDX-License-Identifier: Apache-2.0
// The table setting (1 or 2). It is written by whoever starts a page: the
// command-line parser, the job protocol (reset before each job) and the
// library for the length of one call. It is read only by the table row
// separator step and is deliberately not part of SegmentationParams. Each
// thread has its own, so that library calls on several threads cannot disturb
// one another; the program has one thread.
#pragma once

#include <cstdint>

namespace pagecut {

extern thread_local constinit std::int32_t TABLE_LOGIC;

// The accepted values, both bounds inclusive; messages print the two.
constexpr std::int32_t kTableLogicRange[2] = {1, 2};

constexpr bool isTableLogicValue(long long value) {
    return value >= kTableLogicRange[0] && value <= kTableLogicRange[1];
}

} // namespace pagecut
