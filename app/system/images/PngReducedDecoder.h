#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace snipstack {

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const PixelSize&) const = default;
};

// The size with its longest side shrunk to `maxSide` (each side at least 1); never enlarged.
PixelSize fittedSize(PixelSize source, int maxSide);

struct ReducedImage {
    PixelSize source;
    PixelSize size;
    // size.width × size.height pixels, top row first, 8-bit RGBA with straight (not premultiplied) alpha.
    std::vector<std::uint8_t> rgba;
};

// Decodes a PNG straight into its reduced size (`fittedSize(source, maxSide)`): each reduced pixel is
// the average of the source area it covers, colour weighted by alpha, as a smooth scale would give.
// Memory is a few source rows plus the reduced image, whatever the source's pixel count (interlaced
// images hold the reduced image's sums whole, since their passes revisit every row). Nothing when the
// bytes are not a PNG, are damaged or cut short, or the header declares more than `maxSourcePixels`;
// then `failure`, if given, says why.
std::optional<ReducedImage> decodeReducedPng(std::span<const std::uint8_t> png, int maxSide,
                                             std::uint64_t maxSourcePixels, std::string* failure = nullptr);

} // namespace snipstack
