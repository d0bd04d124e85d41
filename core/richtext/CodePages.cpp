#include "core/richtext/CodePages.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <vector>

namespace snipstack::richtext {

namespace {

std::string converterName(int codePage) {
    switch (codePage) {
    case 932:
        return "windows-31j";
    case 10000:
        return "macintosh";
    case 437:
    case 850:
    case 852:
    case 866:
        return "cp" + std::to_string(codePage);
    default:
        return "windows-" + std::to_string(codePage);
    }
}

UConverter* openConverter(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    return converter;
}

void convert(UConverter* converter, std::string_view bytes, std::string& utf8) {
    std::vector<char16_t> utf16(bytes.size() * 2 + 2);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter);
    const auto units = ucnv_toUChars(converter, utf16.data(), static_cast<int32_t>(utf16.size()),
                                     bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
        return;
    }
    // Three UTF-8 bytes at most per UTF-16 unit; unpaired surrogates become U+FFFD.
    const auto start = utf8.size();
    utf8.resize(start + static_cast<std::size_t>(units) * 3);
    int32_t length = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(utf8.data() + start, units * 3, &length, utf16.data(), units, 0xFFFD, nullptr,
                       &status);
    utf8.resize(U_SUCCESS(status) ? start + static_cast<std::size_t>(length) : start);
}

} // namespace

std::optional<int> codePageForCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return std::nullopt;
    }
}

CodePages::CodePages() = default;
CodePages::~CodePages() = default;

void CodePages::Close::operator()(UConverter* converter) const {
    ucnv_close(converter);
}

UConverter* CodePages::converter(int codePage) {
    auto found = converters_.find(codePage);
    if (found == converters_.end()) {
        found = converters_.emplace(codePage, openConverter(converterName(codePage))).first;
    }
    if (!found->second && codePage != 1252) {
        return converter(1252);
    }
    return found->second.get();
}

void CodePages::decode(std::string_view bytes, int codePage, std::string& utf8) {
    if (bytes.empty()) {
        return;
    }
    if (UConverter* c = converter(codePage)) {
        convert(c, bytes, utf8);
    }
}

std::optional<std::string> decodeText(std::string_view bytes, const std::string& encodingName) {
    std::unique_ptr<UConverter, void (*)(UConverter*)> c(openConverter(encodingName), ucnv_close);
    if (!c) {
        return std::nullopt;
    }
    std::string utf8;
    convert(c.get(), bytes, utf8);
    if (utf8.starts_with("\xEF\xBB\xBF")) {
        utf8.erase(0, 3);
    }
    return utf8;
}

} // namespace snipstack::richtext
