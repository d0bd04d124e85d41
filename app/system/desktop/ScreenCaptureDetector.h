#pragma once

#include <filesystem>
#include <string_view>

namespace snipstack {

// Whether a known screen recorder or screen-sharing program runs, judged from the process table:
// X11 cannot keep a window out of a capture, so the panel shields its content instead.
class ScreenCaptureDetector {
public:
    // `procRoot` is where the process table is mounted; tests hand in a fake one.
    explicit ScreenCaptureDetector(std::filesystem::path procRoot = "/proc");

    // Reads every process's comm and, only where the name alone cannot settle it, its cmdline.
    bool isScreenBeingCaptured() const;

private:
    std::filesystem::path procRoot_;
};

} // namespace snipstack
