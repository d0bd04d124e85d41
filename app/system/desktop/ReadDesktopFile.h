#pragma once

#include "app/system/desktop/DesktopFile.h"

#include <cstddef>
#include <filesystem>
#include <optional>

namespace snipstack {

// Larger desktop files are read only this far; the [Desktop Entry] group comes first.
inline constexpr std::size_t maximumDesktopFileSize = 64 * 1024;

// A regular file's groups and keys from its first maximumDesktopFileSize bytes, up to the last whole
// line. Nothing when the file is missing, no regular file or unreadable; all but a missing file are
// logged, and so are lines skipped as invalid.
std::optional<DesktopFile> readDesktopFile(const std::filesystem::path& path);

} // namespace snipstack
