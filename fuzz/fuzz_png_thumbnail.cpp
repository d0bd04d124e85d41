// PNG thumbnails decode whatever another program put on the clipboard: any bytes must be refused or
// decoded, never crash or overrun, and a decoded image has exactly the reduced size it reports.
#include "app/system/PngReducedDecoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int maxSide = 24;
    // A small bound keeps each input quick; the header check works the same at any bound.
    const std::optional<ReducedImage> image = decodeReducedPng({data, size}, maxSide, 1 << 20);
    if (!image) {
        return 0;
    }
    const PixelSize& reduced = image->size;
    if (reduced != fittedSize(image->source, maxSide) || std::max(reduced.width, reduced.height) > maxSide ||
        reduced.width < 1 || reduced.height < 1 ||
        image->rgba.size() != std::size_t(reduced.width * reduced.height * 4)) {
        std::abort();
    }
    return 0;
}
