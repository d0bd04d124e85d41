#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace snipstack {

struct JpegFrame {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // libjpeg decodes progressive files, and sequential ones whose first scan lacks a component, into
    // a buffer of the whole image's DCT coefficients before the first row comes out, however small
    // the output is scaled.
    bool wholeImageCoefficients = false;
    // What that buffer takes: 2 bytes a coefficient, 64 coefficients a block, each component padded
    // to whole MCUs.
    std::uint64_t coefficientBytes = 0;
};

// The frame and first scan headers of a JPEG, found the way libjpeg finds them (stray bytes between
// segments are skipped). Nothing when the bytes are no JPEG or end before the first scan.
std::optional<JpegFrame> readJpegFrame(std::span<const std::uint8_t> jpeg);

} // namespace snipstack
