#include "app/system/desktop/ReadDesktopFile.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace snipstack {

// Opens without blocking so that a pipe or device named like a desktop file cannot stall the scan.
std::optional<std::string> readDesktopFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> content;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        std::string buffer(maximumDesktopFileSize, '\0');
        std::size_t length = 0;
        while (length < buffer.size()) {
            const ssize_t got = ::read(fd, buffer.data() + length, buffer.size() - length);
            if (got <= 0) {
                break;
            }
            length += std::size_t(got);
        }
        buffer.resize(length);
        // A line cut by the limit would yield a wrong value.
        if (std::size_t(status.st_size) > length) {
            buffer.erase(std::min(buffer.size(), buffer.rfind('\n') + 1));
        }
        content = std::move(buffer);
    }
    ::close(fd);
    return content;
}

} // namespace snipstack
