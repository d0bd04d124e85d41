#include "app/system/desktop/ReadDesktopFile.h"

#include "app/system/LogCategories.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace snipstack {
namespace {

// Opens without blocking so that a pipe or device named like a desktop file cannot stall the scan.
std::optional<std::string> readHead(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A missing file is an answer, not a failure: an entry that was never written, or one
        // removed while the folder was listed.
        if (errno != ENOENT) {
            qCWarning(desktopLog, "Could not open %s: %s", path.c_str(), std::strerror(errno));
        }
        return std::nullopt;
    }
    struct stat status {};
    const bool statted = ::fstat(fd, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        qCWarning(desktopLog, "Skipped %s: %s", path.c_str(),
                  statted ? "not a regular file" : std::strerror(errno));
        ::close(fd);
        return std::nullopt;
    }
    std::string buffer(maximumDesktopFileSize, '\0');
    std::size_t length = 0;
    while (length < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + length, buffer.size() - length);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            qCWarning(desktopLog, "Could not read %s: %s", path.c_str(), std::strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        length += std::size_t(got);
    }
    ::close(fd);
    buffer.resize(length);
    // A line cut by the limit would yield a wrong value.
    if (std::size_t(status.st_size) > length) {
        buffer.erase(std::min(buffer.size(), buffer.rfind('\n') + 1));
    }
    return buffer;
}

} // namespace

std::optional<DesktopFile> readDesktopFile(const std::filesystem::path& path) {
    const std::optional<std::string> content = readHead(path);
    if (!content) {
        return std::nullopt;
    }
    DesktopFile file(*content);
    if (const auto& skipped = file.skippedLines(); !skipped.empty()) {
        qCWarning(desktopLog, "Skipped %zu invalid lines of %s, the first being line %zu", skipped.size(),
                  path.c_str(), skipped.front());
    }
    return file;
}

} // namespace snipstack
