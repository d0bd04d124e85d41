#pragma once

#include "app/system/images/PngReducedDecoder.h"
#include "core/values/Bytes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace snipstack {

// Encodes `size.width` × `size.height` 8-bit RGBA pixels (straight alpha, top row first, rows
// `stride` bytes apart) as a PNG, written as RGB when `opaque`. Tuned for thumbnails made while
// the user waits: fast rather than smallest. Nothing when libpng fails.
std::optional<Bytes> encodePng(std::span<const std::uint8_t> rgba, PixelSize size, std::int64_t stride,
                               bool opaque);

} // namespace snipstack
