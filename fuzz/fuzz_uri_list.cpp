// A text/uri-list comes from whichever program owns the clipboard: any bytes must yield file URLs
// or nothing, never crash, and the list written back from them must read as the same URLs.
#include "app/system/clipboard/PasteboardMime.h"

#include <QByteArray>
#include <QUrl>
#include <cstdint>
#include <cstdlib>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> urls = pasteboard_mime::fileURLsInURIList(Bytes(data, data + size));
    for (const std::string& url : urls) {
        if (!QUrl::fromEncoded(QByteArray::fromStdString(url)).isLocalFile()) {
            std::abort();
        }
    }
    if (pasteboard_mime::fileURLsInURIList(pasteboard_mime::uriListOf(urls)) != urls) {
        std::abort();
    }
    return 0;
}
