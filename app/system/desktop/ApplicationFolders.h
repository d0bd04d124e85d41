#pragma once

#include <filesystem>
#include <vector>

namespace snipstack {

// The XDG application folders, most important first: applications/ under XDG_DATA_HOME (default
// ~/.local/share) and under each absolute entry of XDG_DATA_DIRS (default /usr/local/share:/usr/share),
// as the environment says now.
std::vector<std::filesystem::path> applicationFolders();

} // namespace snipstack
