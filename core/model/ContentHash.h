#pragma once

#include <string_view>

#include "core/values/Bytes.h"

namespace snipstack {

// The SHA-256 digest (32 bytes) that identifies captured content for duplicate detection.
Bytes contentHash(std::string_view bytes);
inline Bytes contentHash(const Bytes& bytes) { return contentHash(viewOf(bytes)); }

} // namespace snipstack
