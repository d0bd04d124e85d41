// Web archives come from browsers' copies: reading one must never crash, hang or balloon.
#include "core/richtext/WebArchive.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    snipstack::richtext::readWebArchive(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
