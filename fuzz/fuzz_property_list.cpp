// Property lists come from disk and other processes: decoding must fail cleanly, never crash,
// hang or balloon, and whatever decodes must survive another round trip unchanged.
#include "core/values/PropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plist::Value value;
    try {
        value = plist::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const plist::PropertyListError&) {
        return 0;
    }
    // Encodings rather than values are compared, since NaN never equals itself.
    const Bytes encoded = plist::encode(value);
    if (plist::encode(plist::decode(encoded)) != encoded) {
        std::abort();
    }
    return 0;
}
