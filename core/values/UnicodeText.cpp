#include "core/values/UnicodeText.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace snipstack::unicode {

std::string prefixOfCharacters(std::string_view text, std::size_t limit) {
    // Every character takes at least one byte.
    if (text.size() <= limit) {
        return std::string(text);
    }
    // Break positions are 32-bit; no clipboard text comes near that.
    const std::string_view window = text.substr(0, std::min<std::size_t>(text.size(), INT32_MAX));
    UErrorCode status = U_ZERO_ERROR;
    icu::LocalUTextPointer utf8(
        utext_openUTF8(nullptr, window.data(), static_cast<std::int64_t>(window.size()), &status));
    std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU cannot split text into characters.");
    }
    characters->setText(utf8.getAlias(), status);
    std::int32_t end = 0;
    for (std::size_t count = 0; count < limit; ++count) {
        const std::int32_t next = characters->next();
        if (next == icu::BreakIterator::DONE) {
            break;
        }
        end = next;
    }
    return std::string(text.substr(0, static_cast<std::size_t>(end)));
}

namespace {

bool isAscii(char c) {
    return static_cast<unsigned char>(c) < 0x80;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t endOfRun(std::string_view text, std::size_t from, bool ascii) {
    while (from < text.size() && isAscii(text[from]) == ascii) {
        ++from;
    }
    return from;
}

void appendFoldedAscii(std::string_view ascii, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + ascii.size());
    std::transform(ascii.begin(), ascii.end(), out.begin() + static_cast<std::ptrdiff_t>(start), lowerAscii);
}

void appendFoldedUnicode(std::string_view text, std::string& out) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU has no NFD normalisation data.");
    }
    icu::UnicodeString folded =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    const icu::UnicodeString decomposed = nfd->normalize(folded, status);
    icu::UnicodeString kept;
    for (std::int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) {
            kept.append(c);
        }
        i += U16_LENGTH(c);
    }
    kept.toUTF8String(out);
}

} // namespace

std::string foldForSearch(std::string_view text) {
    // ASCII characters fold on their own and NFD never reorders or combines across them, so the text
    // can be cut at every ASCII byte and only the stretches in between need ICU.
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t asciiEnd = endOfRun(text, at, true);
        appendFoldedAscii(text.substr(at, asciiEnd - at), out);
        at = endOfRun(text, asciiEnd, false);
        if (at > asciiEnd) {
            appendFoldedUnicode(text.substr(asciiEnd, at - asciiEnd), out);
        }
    }
    return out;
}

std::vector<std::string> splitAtWhitespace(std::string_view text) {
    std::vector<std::string> words;
    std::size_t wordStart = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t characterStart = at;
        UChar32 c;
        U8_NEXT(text.data(), at, text.size(), c);
        if (c >= 0 && u_isUWhiteSpace(c)) {
            if (characterStart > wordStart) {
                words.emplace_back(text.substr(wordStart, characterStart - wordStart));
            }
            wordStart = at;
        }
    }
    if (text.size() > wordStart) {
        words.emplace_back(text.substr(wordStart));
    }
    return words;
}

} // namespace snipstack::unicode
