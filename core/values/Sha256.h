#pragma once

#include "core/values/Bytes.h"

#include <string_view>

namespace snipstack {

// The SHA-256 digest of `bytes`, 32 bytes.
Bytes sha256(std::string_view bytes);

} // namespace snipstack
