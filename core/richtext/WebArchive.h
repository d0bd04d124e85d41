#pragma once

#include "core/values/Bytes.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace snipstack::richtext {

struct WebResource {
    Bytes data;
    std::string mimeType;
};

// A browser's web archive ("com.apple.webarchive"): a binary property list whose WebMainResource
// holds the page and whose WebSubresources (also those of WebSubframeArchives) hold its images and
// style sheets, so a page is shown from the archive and never fetched.
struct WebArchive {
    // The page as UTF-8, decoded by its WebResourceTextEncodingName (UTF-8 when it names none);
    // a plain-text main resource becomes an HTML <pre> block.
    std::string html;
    std::string url;
    // Subresources by their WebResourceURL.
    std::map<std::string, WebResource, std::less<>> subresources;
};

// Nothing when the bytes are not a property list of that shape, the page's encoding is unknown or
// its type is neither HTML nor plain text.
std::optional<WebArchive> readWebArchive(std::string_view bytes);

} // namespace snipstack::richtext
