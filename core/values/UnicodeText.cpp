#include "core/values/UnicodeText.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
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

icu::UnicodeString foldAndDecompose(icu::UnicodeString text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU has no NFD normalisation data.");
    }
    return nfd->normalize(text.foldCase(U_FOLD_CASE_DEFAULT), status);
}

void appendWithoutMarks(const icu::UnicodeString& text, std::string& out) {
    icu::UnicodeString kept;
    for (std::int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) {
            kept.append(c);
        }
    }
    kept.toUTF8String(out);
}

bool holdsSpacingNonStarter(const icu::UnicodeString& text) {
    for (std::int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        if (u_getCombiningClass(c) != 0 && u_charType(c) != U_NON_SPACING_MARK) {
            return true;
        }
    }
    return false;
}

// ICU's string functions cost too much per character to run over every entry on each search, so the
// folded form of each code point is computed once, a page of 256 at a time. Folding and NFD work code
// point by code point, except that NFD sorts each run of combining characters by class; with the
// nonspacing marks dropped that order only matters for the few spacing marks with a nonzero class. A
// code point whose folded form holds one sends the whole text through ICU instead.
class FoldTable {
public:
    struct Entry {
        bool needsIcu = false;
        std::uint8_t size = 0;
        char bytes[14] = {};
    };

    const Entry& operator[](UChar32 c) {
        const auto codePoint = static_cast<std::size_t>(c);
        std::atomic<const Page*>& slot = pages_[codePoint / pageSize];
        const Page* page = slot.load(std::memory_order_acquire);
        if (page == nullptr) {
            // Threads racing here build identical pages; the first one stored wins.
            std::unique_ptr<Page> built = build(static_cast<UChar32>(codePoint - codePoint % pageSize));
            if (slot.compare_exchange_strong(page, built.get(), std::memory_order_acq_rel)) {
                page = built.release();
            }
        }
        return (*page)[codePoint % pageSize];
    }

private:
    static constexpr std::size_t pageSize = 256;
    using Page = std::array<Entry, pageSize>;

    static std::unique_ptr<Page> build(UChar32 first) {
        auto page = std::make_unique<Page>();
        for (std::size_t i = 0; i < pageSize; ++i) {
            const icu::UnicodeString folded =
                foldAndDecompose(icu::UnicodeString(first + static_cast<UChar32>(i)));
            std::string bytes;
            appendWithoutMarks(folded, bytes);
            Entry& entry = (*page)[i];
            entry.needsIcu = holdsSpacingNonStarter(folded) || bytes.size() > sizeof entry.bytes;
            if (!entry.needsIcu) {
                entry.size = static_cast<std::uint8_t>(bytes.size());
                std::memcpy(entry.bytes, bytes.data(), bytes.size());
            }
        }
        return page;
    }

    std::array<std::atomic<const Page*>, (UCHAR_MAX_VALUE + 1) / pageSize> pages_{};
};

std::string foldWithIcu(std::string_view text) {
    std::string out;
    appendWithoutMarks(foldAndDecompose(icu::UnicodeString::fromUTF8(
                           icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())))),
                       out);
    return out;
}

} // namespace

std::string foldForSearch(std::string_view text) {
    // Never destroyed, so threads still searching at exit cannot see it torn down.
    static FoldTable& table = *new FoldTable;
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        if (isAscii(text[at])) {
            const char* const begin = text.data() + at;
            const char* const end = std::find_if_not(begin, text.data() + text.size(), isAscii);
            const std::size_t written = out.size();
            out.resize(written + static_cast<std::size_t>(end - begin));
            std::transform(begin, end, out.data() + written, lowerAscii);
            at = static_cast<std::size_t>(end - text.data());
            continue;
        }
        UChar32 c;
        U8_NEXT_OR_FFFD(text.data(), at, text.size(), c);
        const FoldTable::Entry& entry = table[c];
        if (entry.needsIcu) {
            return foldWithIcu(text);
        }
        out.append(entry.bytes, entry.size);
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

std::string validUTF8(std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto length = static_cast<std::int64_t>(bytes.size());
    std::int64_t at = 0;
    while (at < length) {
        if (data[at] < 0x80) {
            ++at;
            continue;
        }
        std::int64_t next = at;
        UChar32 c = 0;
        U8_NEXT(data, next, length, c);
        if (c < 0) {
            break;
        }
        at = next;
    }
    std::string result(bytes.substr(0, static_cast<std::size_t>(at)));
    while (at < length) {
        const std::int64_t start = at;
        UChar32 c = 0;
        U8_NEXT(data, at, length, c);
        if (c < 0) {
            result += "\xEF\xBF\xBD";
        } else {
            result.append(
                bytes.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)));
        }
    }
    return result;
}

} // namespace snipstack::unicode
