#include "app/system/desktop/ScreenCaptureDetector.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace snipstack {
namespace {

constexpr std::array<std::string_view, 9> recorders = {
    "obs",   "simplescreenrecorder", "kazam", "vokoscreen", "peek", "recordmydesktop", "wf-recorder",
    "kooha", "gpu-screen-recorder",
};

// The kernel keeps at most this many characters of a command name.
constexpr std::size_t commLength = 15;

// Up to `limit` bytes of a small /proc file, or nothing when it cannot be read (the process is gone).
std::string readSmall(int folder, const std::string& path, std::size_t limit) {
    const int fd = ::openat(folder, path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string contents(limit, '\0');
    const ssize_t size = ::read(fd, contents.data(), limit);
    ::close(fd);
    contents.resize(size > 0 ? std::size_t(size) : 0);
    return contents;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return result;
}

// "obs" must stand as a word, or every Obsidian user would see the shield.
bool namesRecorder(std::string_view command) {
    return std::any_of(recorders.begin(), recorders.end(), [&](std::string_view recorder) {
        if (!command.starts_with(recorder)) {
            return false;
        }
        return recorder != "obs" || command.size() == recorder.size() ||
               !std::isalpha(static_cast<unsigned char>(command[recorder.size()]));
    });
}

// A truncated comm that could be the start of a recorder's name, which only cmdline can settle.
bool mayBeTruncatedRecorder(std::string_view command) {
    return command.size() == commLength &&
           std::any_of(recorders.begin(), recorders.end(),
                       [&](std::string_view recorder) { return recorder.starts_with(command); });
}

// The file name of argv[0].
std::string_view programName(std::string_view cmdline) {
    const std::string_view program = cmdline.substr(0, cmdline.find('\0'));
    const auto slash = program.rfind('/');
    return slash == std::string_view::npos ? program : program.substr(slash + 1);
}

bool isRecorder(int root, std::string_view process) {
    const std::string prefix = std::string(process) + '/';
    std::string command = readSmall(root, prefix + "comm", commLength + 1);
    if (command.ends_with('\n')) {
        command.pop_back();
    }
    command = lowered(command);
    if (namesRecorder(command)) {
        return true;
    }
    const bool ffmpeg = command == "ffmpeg";
    if (!ffmpeg && !mayBeTruncatedRecorder(command)) {
        return false;
    }
    // Long enough for ffmpeg's input options, which come before its outputs.
    const std::string cmdline = readSmall(root, prefix + "cmdline", 64 * 1024);
    if (ffmpeg) {
        return cmdline.find("x11grab") != std::string::npos;
    }
    return namesRecorder(lowered(programName(cmdline)));
}

} // namespace

ScreenCaptureDetector::ScreenCaptureDetector(std::filesystem::path procRoot)
    : procRoot_(std::move(procRoot)) {}

bool ScreenCaptureDetector::isScreenBeingCaptured() const {
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(procRoot_.c_str()), &::closedir);
    if (!folder) {
        return false;
    }
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string_view name(entry->d_name);
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string_view::npos &&
            isRecorder(::dirfd(folder.get()), name)) {
            return true;
        }
    }
    return false;
}

} // namespace snipstack
