#pragma once

#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>

namespace snipstack::bench {

// A field of /proc/self/status in KiB, or -1.
inline long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key)) {
            return std::stol(line.substr(std::strlen(key) + 1));
        }
    }
    return -1;
}

// How far the resident peak rises above the current use while `work` runs, in KiB; -1 when `work`
// reports failure. Meant for a fresh process, so earlier work does not hide the peak.
template <typename Work> long peakGrowthKiB(Work&& work) {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKiB("VmRSS");
    if (!work()) {
        return -1;
    }
    return statusKiB("VmHWM") - before;
}

} // namespace snipstack::bench
