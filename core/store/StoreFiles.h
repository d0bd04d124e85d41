#pragma once

#include "core/values/Bytes.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace snipstack {

// Crash-safe replacement of `target`: the bytes go to a hidden ".UUID.tmp" file beside it (mode
// 0600), are flushed to stable storage and renamed onto the target in one step, so a reader sees
// the whole old file or the whole new one. Throws std::filesystem::filesystem_error; a failed write
// leaves the target untouched and removes its temporary file.
void writeAtomically(std::string_view data, const std::filesystem::path& target);

// Removes the ".UUID.tmp" files that writes interrupted by a crash left directly in `folder`.
// Only safe while nothing writes there. Never throws.
void removeStaleTemporaryFiles(const std::filesystem::path& folder);

// Copies the tree at `from` to `to` (which must not exist), permissions included, then flushes the
// file system holding it once: after it returns the copy survives a crash. One flush instead of one
// per file keeps a copy of thousands of records quick. Throws std::filesystem::filesystem_error.
void copyFolder(const std::filesystem::path& from, const std::filesystem::path& to);

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<Bytes> readFile(const std::filesystem::path& path);

// Overwrites every regular file under `folder` with fresh random bytes, in chunks of at most
// 1 MiB, then deletes the whole tree. Never throws. `onChunk`, when given, sees each chunk written.
void wipe(const std::filesystem::path& folder,
          const std::function<void(const std::filesystem::path&, std::size_t)>& onChunk = {});

inline constexpr std::size_t wipeChunkSize = 1 << 20;

} // namespace snipstack
