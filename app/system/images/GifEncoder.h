#pragma once

#include "core/values/Bytes.h"

#include <QImage>
#include <optional>

namespace snipstack {

// Encodes the image as a single-frame GIF. An image of at most 256 colours keeps them exactly, as
// most screenshots do; others are reduced to 256 by median cut. Pixels less than half opaque become
// the palette's transparent entry. Nothing for an empty image or when giflib fails.
std::optional<Bytes> encodeGif(const QImage& image);

} // namespace snipstack
