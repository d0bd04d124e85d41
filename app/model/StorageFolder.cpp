#include "app/model/StorageFolder.h"

#include <unistd.h>

namespace snipstack {

QByteArray bookmarkOf(const std::filesystem::path& folder) {
    const std::u8string path = folder.u8string();
    return QByteArray(reinterpret_cast<const char*>(path.data()), static_cast<qsizetype>(path.size()));
}

std::filesystem::path folderOfBookmark(const QByteArray& bookmark) {
    return std::filesystem::path(std::u8string(bookmark.begin(), bookmark.end()));
}

bool isUsableFolder(const std::filesystem::path& folder) {
    std::error_code error;
    return folder.is_absolute() && std::filesystem::is_directory(folder, error) &&
           ::access(folder.c_str(), R_OK | W_OK | X_OK) == 0;
}

} // namespace snipstack
