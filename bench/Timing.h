#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace snipstack::bench {

// The middle value (the upper one of an even count); 0 for none.
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline double milliseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The processor time the calling thread has used, in milliseconds: what a frame costs, without the
// time other programs on a shared machine took the processor away.
inline double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace snipstack::bench
