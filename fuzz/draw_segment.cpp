// SPDX-License-Identifier: Apache-2.0
// Fuzz target, structure-aware: the bytes are a page size and a list of
// drawing commands (text of small glyph rectangles, rules, nested frames,
// grids, filled and erased blocks, dots); the drawn page goes through cutPage
// with both table settings and in paragraph mode. Aborts when an invariant of fuzz_cases.h fails.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = pagecut::fuzz::runDrawCase(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "invariant failed: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
