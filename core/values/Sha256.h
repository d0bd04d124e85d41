#pragma once

#include <string_view>

#include "core/values/Bytes.h"

namespace snipstack {

// The SHA-256 digest of `bytes`, 32 bytes.
Bytes sha256(std::string_view bytes);

} // namespace snipstack
