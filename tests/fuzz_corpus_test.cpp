// SPDX-License-Identifier: Apache-2.0
// Replays every fuzz input kept in the source tree (fuzz/corpus/TARGET/ and
// fuzz/crashes/TARGET/) through the same cases and invariants as the fuzz
// targets, so that the ordinary build catches regressions without clang.
#include <filesystem>

#include <gtest/gtest.h>

#include "formats/image_io.h"
#include "fuzz/fuzz_cases.h"
#include "fuzz/word_cases.h"
#include "tests/support/run_program.h"

namespace pagecut {
namespace {

namespace fs = std::filesystem;

const fs::path kFuzzDir = fs::path(__FILE__).parent_path().parent_path() / "fuzz";

using Case = std::string (*)(const std::uint8_t*, std::size_t);

// Runs `run` on each file of the target's corpus and crash folders; returns
// how many files there were.
int replay(const std::string& target, Case run) {
    silenceLibraryLogging();
    int count = 0;
    for (const char* folder : {"corpus", "crashes"}) {
        const fs::path dir = kFuzzDir / folder / target;
        if (!fs::is_directory(dir))
            continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file())
                continue;
            const std::string bytes = test::readFile(entry.path().string());
            EXPECT_EQ(run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
                << entry.path();
            ++count;
        }
    }
    return count;
}

TEST(FuzzCorpus, DecodedInputsKeepTheInvariants) {
    EXPECT_GT(replay("decode_segment", fuzz::runDecodeCase), 0);
}

TEST(FuzzCorpus, DrawnInputsKeepTheInvariants) {
    EXPECT_GT(replay("draw_segment", fuzz::runDrawCase), 0);
}

TEST(FuzzCorpus, JobStreamsKeepTheInvariants) {
    EXPECT_GT(replay("command_words", fuzz::runWordsCase), 0);
}

} // namespace
} // namespace pagecut
