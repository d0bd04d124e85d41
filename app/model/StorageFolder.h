#pragma once

#include <QByteArray>
#include <filesystem>

namespace snipstack {

// A folder the user chose for the data file is remembered as its absolute path, UTF-8.
QByteArray bookmarkOf(const std::filesystem::path& folder);
std::filesystem::path folderOfBookmark(const QByteArray& bookmark);

// Whether the data file can live in `folder` now: an absolute path to a directory we may read and
// write. A folder on an unmounted drive fails this.
bool isUsableFolder(const std::filesystem::path& folder);

} // namespace snipstack
