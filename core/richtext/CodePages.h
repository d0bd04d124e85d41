#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct UConverter;

namespace snipstack::richtext {

// Windows code page of an RTF font's \fcharset, or nothing for "use the document's".
std::optional<int> codePageForCharset(int charset);

// Decodes bytes in Windows (and Mac) code pages to UTF-8 through ICU, keeping one converter per
// code page: RTF switches between a handful of them on every font change.
class CodePages {
public:
    CodePages();
    ~CodePages();
    CodePages(const CodePages&) = delete;
    CodePages& operator=(const CodePages&) = delete;

    // Appends `bytes` in `codePage` to `utf8`; an unknown code page decodes as Windows-1252.
    // Unmappable bytes become U+FFFD.
    void decode(std::string_view bytes, int codePage, std::string& utf8);

private:
    struct Close {
        void operator()(UConverter* converter) const;
    };
    UConverter* converter(int codePage);

    std::map<int, std::unique_ptr<UConverter, Close>> converters_;
};

// Text in the named encoding ("utf-8", "iso-8859-1", "shift_jis", ...) as UTF-8; nothing when ICU
// does not know the name. A byte-order mark is dropped.
std::optional<std::string> decodeText(std::string_view bytes, const std::string& encodingName);

} // namespace snipstack::richtext
