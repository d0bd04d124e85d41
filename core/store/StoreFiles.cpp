#include "core/store/StoreFiles.h"

#include "core/values/Uuid.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

namespace snipstack {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const char* what, const fs::path& path, int error) {
    throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

void writeAtomically(std::string_view data, const fs::path& target) {
    std::string name = ".";
    name += Uuid::random().string();
    name += ".tmp";
    const fs::path temporary = target.parent_path() / name;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        fail("Could not write the file", target, errno);
    }
    auto abandon = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        fail(what, target, error);
    };
    // The creation mode is filtered by the umask; records must be exactly owner read-write.
    if (::fchmod(fd, 0600) != 0) {
        abandon("Could not set the file's permissions");
    }
    if (!writeAll(fd, reinterpret_cast<const std::uint8_t*>(data.data()), data.size())) {
        abandon("Could not write the file");
    }
    if (::fsync(fd) != 0) {
        abandon("Could not flush the file to disk");
    }
    ::close(fd);
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail("Could not write the file", target, error);
    }
}

void removeStaleTemporaryFiles(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        constexpr std::string_view suffix = ".tmp";
        if (name.size() == 1 + 36 + suffix.size() && name.starts_with('.') && name.ends_with(suffix) &&
            Uuid::parse(std::string_view(name).substr(1, 36))) {
            std::error_code ignored;
            fs::remove(entry->path(), ignored);
        }
    }
}

void copyFolder(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive);
    const int folder = ::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        fail("cannot open the copied folder", to, errno);
    }
    const int result = ::syncfs(folder);
    const int error = errno;
    ::close(folder);
    if (result != 0) {
        fail("cannot flush the copied folder", to, error);
    }
}

std::optional<Bytes> readFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // One byte more than the file holds, so the read that finds the end needs no larger buffer: growing
    // it would hold the record twice for a moment.
    Bytes content(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    while (true) {
        if (filled == content.size()) {
            // The file has grown since fstat; keep reading until the end.
            content.resize(content.size() + 64 * 1024);
        }
        const ssize_t got = ::read(fd, content.data() + filled, content.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    content.resize(filled);
    return content;
}

namespace {

void overwrite(const fs::path& file, std::uintmax_t size,
               const std::function<void(const fs::path&, std::size_t)>& onChunk) {
    // O_NOFOLLOW: a link planted in the store must not redirect the overwrite elsewhere.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return;
    }
    Bytes chunk(static_cast<std::size_t>(std::min<std::uintmax_t>(size, wipeChunkSize)));
    for (std::uintmax_t done = 0; done < size;) {
        const auto length = static_cast<std::size_t>(std::min<std::uintmax_t>(size - done, wipeChunkSize));
        if (RAND_bytes(chunk.data(), static_cast<int>(length)) != 1 || !writeAll(fd, chunk.data(), length)) {
            break;
        }
        if (onChunk) {
            onChunk(file, length);
        }
        done += length;
    }
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void wipe(const fs::path& folder, const std::function<void(const fs::path&, std::size_t)>& onChunk) {
    std::error_code error;
    // A link in place of the folder is removed, never followed into what it points at.
    if (fs::is_symlink(fs::symlink_status(folder, error))) {
        fs::remove(folder, error);
        return;
    }
    fs::recursive_directory_iterator walker(folder, fs::directory_options::skip_permission_denied, error);
    if (!error) {
        for (auto end = fs::recursive_directory_iterator(); walker != end; walker.increment(error)) {
            if (error) {
                break;
            }
            std::error_code itemError;
            const fs::file_status status = walker->symlink_status(itemError);
            if (itemError || !fs::is_regular_file(status)) {
                continue;
            }
            const std::uintmax_t size = walker->file_size(itemError);
            if (!itemError && size > 0) {
                overwrite(walker->path(), size, onChunk);
            }
        }
    }
    fs::remove_all(folder, error);
}

} // namespace snipstack
