#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace snipstack::richtext {

// Qt's HTML import keeps every anchor name (an element's `id`, an `<a name>`) in the character
// format of the text after it, and formats that differ only in those names all share one hash
// bucket: each new one is compared with all before it. A page with thousands of them takes seconds
// (14,000 paragraphs with ids: 11 s for 2 MiB), so a page with more than `keepUpTo` loses them all;
// they name places in the page, which a copy does not navigate. Pages with fewer keep them, and with
// them the styles their stylesheets give by id.
inline constexpr std::size_t anchorNamesKept = 256;

// The HTML with its anchor-naming attributes renamed to ones Qt ignores ("id" to "xx", "name" to
// "xxxx") when it has more than `keepUpTo`, else unchanged. Only attribute names inside start tags
// change; text, values, comments and the contents of script and style elements stay as they are.
std::string withoutManyAnchorNames(std::string_view html, std::size_t keepUpTo = anchorNamesKept);

} // namespace snipstack::richtext
