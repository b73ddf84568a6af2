// SPDX-License-Identifier: Apache-2.0
// Micro-benchmarks of the hot operations, on the project's sample page.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "core/profile.h"
#include "segment/page_passes.h"
#include "strategies/closed_background.h"
#include "tools/pagegen.h"

namespace {

const cv::Mat& workingPage() {
    static const cv::Mat page = pagecut::prepareWorkingPage(pagecut::pagegen::samplePage(), {});
    return page;
}

void rowProfile(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(pagecut::rowProfile(workingPage()));
    state.SetBytesProcessed(state.iterations() * workingPage().total());
}
BENCHMARK(rowProfile);

void columnProfile(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(pagecut::columnProfile(workingPage()));
    state.SetBytesProcessed(state.iterations() * workingPage().total());
}
BENCHMARK(columnProfile);

void closedBackgroundComponents(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(pagecut::closedBackgroundComponents(workingPage(), 11, 201));
    state.SetBytesProcessed(state.iterations() * workingPage().total());
}
BENCHMARK(closedBackgroundComponents);

void segmentWholePage(benchmark::State& state) {
    for (auto _ : state) {
        cv::Mat page = workingPage().clone();
        benchmark::DoNotOptimize(pagecut::segmentWorkingPage(page));
    }
    state.SetBytesProcessed(state.iterations() * workingPage().total());
}
BENCHMARK(segmentWholePage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
