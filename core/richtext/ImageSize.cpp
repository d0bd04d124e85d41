#include "core/richtext/ImageSize.h"

#include <algorithm>
#include <iterator>

namespace snipstack::richtext {

namespace {

int bigEndian(const Bytes& data, std::size_t at, int bytes) {
    int value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = value << 8 | data[at + static_cast<std::size_t>(i)];
    }
    return value;
}

std::optional<PixelSize> jpegSize(const Bytes& data) {
    std::size_t at = 2;
    while (at + 9 < data.size()) {
        if (data[at] != 0xFF) {
            return std::nullopt;
        }
        const auto marker = data[at + 1];
        const auto length = static_cast<std::size_t>(bigEndian(data, at + 2, 2));
        // Start-of-frame markers, leaving out DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            return PixelSize{bigEndian(data, at + 7, 2), bigEndian(data, at + 5, 2)};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<PixelSize> imagePixelSize(const Bytes& data) {
    static constexpr std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() >= 24 && std::equal(std::begin(pngSignature), std::end(pngSignature), data.begin())) {
        const int width = bigEndian(data, 16, 4);
        const int height = bigEndian(data, 20, 4);
        return width > 0 && height > 0 ? std::optional(PixelSize{width, height}) : std::nullopt;
    }
    if (data.size() > 4 && data[0] == 0xFF && data[1] == 0xD8) {
        return jpegSize(data);
    }
    return std::nullopt;
}

} // namespace snipstack::richtext
