#include "app/system/images/JpegFrame.h"

#include <algorithm>
#include <array>

namespace snipstack {

namespace {

// Start-of-frame markers are C0 to CF except DHT (C4), JPG (C8) and DAC (CC).
bool isFrameMarker(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Baseline, extended and arithmetic sequential; every other process buffers the whole image.
bool isSequential(std::uint8_t marker) {
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC9;
}

struct Sampling {
    std::uint8_t horizontal = 0;
    std::uint8_t vertical = 0;
};

} // namespace

std::optional<JpegFrame> readJpegFrame(std::span<const std::uint8_t> jpeg) {
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
        return std::nullopt;
    }
    std::optional<JpegFrame> frame;
    bool sequential = false;
    std::array<Sampling, 255> components{};
    std::size_t componentCount = 0;
    std::size_t at = 2;
    for (;;) {
        while (at < jpeg.size() && jpeg[at] != 0xFF) {
            ++at;
        }
        while (at < jpeg.size() && jpeg[at] == 0xFF) {
            ++at;
        }
        if (at >= jpeg.size()) {
            return std::nullopt;
        }
        const std::uint8_t marker = jpeg[at++];
        // A stuffed zero or a marker without a segment: restart markers, TEM.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || jpeg.size() - at < 2) {
            return std::nullopt;
        }
        const std::size_t length = std::size_t(jpeg[at]) << 8 | jpeg[at + 1];
        if (length < 2 || length > jpeg.size() - at) {
            return std::nullopt;
        }
        const std::span<const std::uint8_t> segment = jpeg.subspan(at + 2, length - 2);
        at += length;

        if (isFrameMarker(marker)) {
            if (frame || segment.size() < 6) {
                return std::nullopt;
            }
            componentCount = segment[5];
            if (componentCount == 0 || segment.size() < 6 + 3 * componentCount) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < componentCount; ++i) {
                const std::uint8_t factors = segment[6 + 3 * i + 1];
                components[i] = {std::uint8_t(factors >> 4), std::uint8_t(factors & 0x0F)};
                if (components[i].horizontal < 1 || components[i].horizontal > 4 ||
                    components[i].vertical < 1 || components[i].vertical > 4) {
                    return std::nullopt;
                }
            }
            frame = JpegFrame{std::uint32_t(segment[3]) << 8 | segment[4],
                              std::uint32_t(segment[1]) << 8 | segment[2]};
            sequential = isSequential(marker);
        } else if (marker == 0xDA) {
            // A height of zero waits for a DNL marker, which libjpeg does not support either.
            if (!frame || segment.empty() || frame->width == 0 || frame->height == 0) {
                return std::nullopt;
            }
            frame->wholeImageCoefficients = !sequential || segment[0] < componentCount;
            std::uint64_t maxHorizontal = 1;
            std::uint64_t maxVertical = 1;
            for (std::size_t i = 0; i < componentCount; ++i) {
                maxHorizontal = std::max<std::uint64_t>(maxHorizontal, components[i].horizontal);
                maxVertical = std::max<std::uint64_t>(maxVertical, components[i].vertical);
            }
            const std::uint64_t mcuColumns = (frame->width + 8 * maxHorizontal - 1) / (8 * maxHorizontal);
            const std::uint64_t mcuRows = (frame->height + 8 * maxVertical - 1) / (8 * maxVertical);
            for (std::size_t i = 0; i < componentCount; ++i) {
                frame->coefficientBytes +=
                    mcuColumns * components[i].horizontal * mcuRows * components[i].vertical * 64 * 2;
            }
            return frame;
        }
    }
}

} // namespace snipstack
