// Flat RTFD comes from other programs' copies: its directory must be read without crashing or
// reading out of bounds, and the files read must survive our writer unchanged.
#include "core/richtext/FlatRtfd.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace snipstack;
using namespace snipstack::richtext;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto files = readRtfdFiles(bytes);
    if (!files) {
        return 0;
    }
    if (readRtfdFiles(viewOf(writeRtfdFiles(*files))) != files) {
        std::abort();
    }
    readFlatRtfd(bytes);
    return 0;
}
