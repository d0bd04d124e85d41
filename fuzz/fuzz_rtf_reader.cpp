// RTF comes from any program that copies: reading must never crash, hang or balloon, and what is
// read must keep its text through our writer and reader.
#include "core/richtext/RtfReader.h"
#include "core/richtext/RtfWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace snipstack::richtext;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto document = readRtf(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!document) {
        return 0;
    }
    const auto reread = readRtf(writeRtf(*document));
    if (!reread || plainText(*reread) != plainText(*document)) {
        std::abort();
    }
    return 0;
}
