// Copied HTML passes through the anchor filter before Qt reads it: the filter must never crash,
// keep the page's length, and leave nothing for a second pass to change.
#include "core/richtext/HtmlAnchorNames.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const std::string kept = snipstack::richtext::withoutManyAnchorNames(html, 0);
    if (kept.size() != html.size() || snipstack::richtext::withoutManyAnchorNames(kept, 0) != kept) {
        std::abort();
    }
    return 0;
}
