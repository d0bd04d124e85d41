#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace snipstack::unicode {

// The first `limit` user-perceived characters (extended grapheme clusters) of UTF-8 `text`.
// Never splits an emoji sequence or a base letter from its combining marks.
std::string prefixOfCharacters(std::string_view text, std::size_t limit);

// Case- and diacritic-insensitive folding without a locale: É, é and e all become e, ß becomes ss.
// Input and output are UTF-8; invalid input sequences become U+FFFD.
std::string foldForSearch(std::string_view text);

// `bytes` as valid UTF-8: each ill-formed sequence becomes U+FFFD. Valid input is copied once,
// with no detour through another encoding.
std::string validUTF8(std::string_view bytes);

// Splits at every Unicode White_Space character and drops empty words.
std::vector<std::string> splitAtWhitespace(std::string_view text);

} // namespace snipstack::unicode
