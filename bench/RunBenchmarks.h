#pragma once

#include <benchmark/benchmark.h>

namespace snipstack::bench {

// The body of a benchmark program's main, for programs that set up their own environment first
// (a Qt application, a private X server).
inline int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace snipstack::bench
