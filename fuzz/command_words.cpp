// SPDX-License-Identifier: Apache-2.0
// Fuzz target: the bytes as the job stream of --serve. Each line is read,
// split into words and parsed as a command line, options first, and its status
// line made; nothing is run. Aborts when an invariant of word_cases.h fails.
#include <cstdio>
#include <cstdlib>

#include "fuzz/word_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = pagecut::fuzz::runWordsCase(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "invariant failed: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
