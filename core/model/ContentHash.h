#pragma once

#include "core/values/Sha256.h"

#include <string_view>

namespace snipstack {

// Identifies captured content for duplicate detection: the SHA-256 digest of the bytes a
// producer chooses to hash.
inline Bytes contentHash(std::string_view bytes) {
    return sha256(bytes);
}
inline Bytes contentHash(const Bytes& bytes) {
    return sha256(viewOf(bytes));
}

} // namespace snipstack
