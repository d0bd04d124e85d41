// PNG thumbnails decode whatever another program put on the clipboard: any bytes must be refused or
// decoded, never crash or overrun, and a decoded image has exactly the reduced size it reports.
#include "app/system/images/PngReducedDecoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace snipstack;

namespace {

std::uint32_t crcOf(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = ~0u;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// Mutations nearly always break a chunk's CRC, and libpng stops there; rewriting the CRCs lets
// damaged headers and image data reach the decoder.
void fixChunkCrcs(std::vector<std::uint8_t>& png) {
    std::size_t at = 8;
    while (png.size() >= at + 12) {
        const std::size_t length =
            std::size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (length > png.size() - at - 12) {
            return;
        }
        const std::uint32_t crc = crcOf(png.data() + at + 4, length + 4);
        std::uint8_t* out = png.data() + at + 8 + length;
        out[0] = std::uint8_t(crc >> 24);
        out[1] = std::uint8_t(crc >> 16);
        out[2] = std::uint8_t(crc >> 8);
        out[3] = std::uint8_t(crc);
        at += 12 + length;
    }
}

void check(std::span<const std::uint8_t> png) {
    constexpr int maxSide = 24;
    // A small bound keeps each input quick; the header check works the same at any bound.
    const std::optional<ReducedImage> image = decodeReducedPng(png, maxSide, 1 << 20);
    if (!image) {
        return;
    }
    const PixelSize& reduced = image->size;
    if (reduced != fittedSize(image->source, maxSide) || std::max(reduced.width, reduced.height) > maxSide ||
        reduced.width < 1 || reduced.height < 1 ||
        image->rgba.size() != std::size_t(reduced.width * reduced.height * 4)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check({data, size});
    std::vector<std::uint8_t> fixed(data, data + size);
    fixChunkCrcs(fixed);
    check(fixed);
    return 0;
}
