#pragma once

#include "core/values/Bytes.h"

#include <cstdint>
#include <optional>

namespace snipstack {

struct ImageThumbnail {
    Bytes png;
    // The source image's size as displayed, i.e. after its orientation is applied, so that it has
    // the thumbnail's aspect ratio.
    std::int64_t sourceWidth = 0;
    std::int64_t sourceHeight = 0;
};

// Decodes encoded image bytes (any format Qt reads) at reduced size, longest side at most
// `maxPixels` and never enlarged, and encodes the result as PNG. PNG and JPEG are decoded straight
// to the reduced size, so any pixel count up to a bound against decompression bombs fits in bounded
// memory; other formats are decoded by Qt at full size within its image allocation limit. Nothing
// when the bytes are not an image, declare too many pixels, or fail to decode.
std::optional<ImageThumbnail> makeThumbnail(const Bytes& encoded, int maxPixels);

} // namespace snipstack
