// Stored entries and payloads come back from disk: decoding them must fail cleanly, never crash,
// and whatever decodes must survive another round trip unchanged.
#include "core/model/ClipCoding.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const ClipItem item = decodeClipItem(bytes);
        if (decodeClipItem(viewOf(encodeClipItem(item))) != item) {
            std::abort();
        }
    } catch (const DecodingError&) {
    }
    try {
        const ClipPayload payload = decodeClipPayload(bytes);
        if (decodeClipPayload(viewOf(encodeClipPayload(payload))) != payload) {
            std::abort();
        }
    } catch (const DecodingError&) {
    }
    return 0;
}
