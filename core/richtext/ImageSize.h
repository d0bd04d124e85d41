#pragma once

#include "core/values/Bytes.h"

#include <optional>

namespace snipstack::richtext {

struct PixelSize {
    int width = 0;
    int height = 0;
};

// The pixel size a PNG's header or a JPEG's frame header declares, without decoding the image.
std::optional<PixelSize> imagePixelSize(const Bytes& data);

} // namespace snipstack::richtext
