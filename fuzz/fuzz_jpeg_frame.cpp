// JPEG headers are read before Qt's reader sees the file, to refuse what would need whole-image
// buffers: any bytes must be read or refused without overrunning them.
#include "app/system/images/JpegFrame.h"

#include <cstdint>
#include <cstdlib>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<JpegFrame> frame = readJpegFrame({data, size});
    // Each of at most 255 components takes 2 bytes a pixel at most, over the image padded to whole MCUs.
    if (frame &&
        (frame->width == 0 || frame->height == 0 ||
         frame->coefficientBytes > (std::uint64_t(frame->width) + 32) * (frame->height + 32) * 2 * 255)) {
        std::abort();
    }
    return 0;
}
