#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace snipstack {

// Larger desktop files are read only this far; the [Desktop Entry] group comes first.
inline constexpr std::size_t maximumDesktopFileSize = 64 * 1024;

// A regular file's bytes up to maximumDesktopFileSize, ending after the last whole line when the
// file is longer; nothing when it is no regular file or cannot be read.
std::optional<std::string> readDesktopFile(const std::filesystem::path& path);

} // namespace snipstack
