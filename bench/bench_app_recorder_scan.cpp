// What one look for screen recorders costs on this machine's real process table; the panel looks
// every 0.25 s while it is open.
#include "app/system/desktop/ScreenCaptureDetector.h"

#include <benchmark/benchmark.h>
#include <cctype>
#include <filesystem>

using namespace snipstack;

namespace {

void scanProcessTable(benchmark::State& state) {
    const ScreenCaptureDetector detector;
    for (auto _ : state) {
        benchmark::DoNotOptimize(detector.isScreenBeingCaptured());
    }
    int processes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        processes += std::isdigit(static_cast<unsigned char>(entry.path().filename().string()[0])) ? 1 : 0;
    }
    state.counters["processes"] = processes;
}
BENCHMARK(scanProcessTable)->Unit(benchmark::kMicrosecond);

} // namespace
