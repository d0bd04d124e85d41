// A manifest is read from disk at every start: arbitrary bytes must decode or be refused cleanly,
// and a decoded manifest must survive another round trip.
#include "core/store/StoreManifest.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto manifest = StoreManifest::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (manifest && !std::isnan(manifest->createdAt.secondsSinceReferenceDate)) {
        const Bytes encoded = manifest->encode();
        if (StoreManifest::decode(viewOf(encoded)) != manifest) {
            std::abort();
        }
    }
    return 0;
}
