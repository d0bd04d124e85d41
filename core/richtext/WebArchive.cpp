#include "core/richtext/WebArchive.h"

#include "core/richtext/CodePages.h"
#include "core/values/PropertyList.h"

namespace snipstack::richtext {

namespace {

constexpr int maxFrameDepth = 16;

std::string stringValue(const plist::Dictionary& dictionary, std::string_view key) {
    const auto* value = plist::find(dictionary, key);
    const auto* text = value ? value->as<std::string>() : nullptr;
    return text ? *text : std::string();
}

void collectSubresources(const plist::Dictionary& archive, int depth, WebArchive& out) {
    if (const auto* value = plist::find(archive, "WebSubresources")) {
        if (const auto* resources = value->as<plist::Array>()) {
            for (const auto& resource : *resources) {
                const auto* dictionary = resource.as<plist::Dictionary>();
                const auto* data = dictionary ? plist::find(*dictionary, "WebResourceData") : nullptr;
                const auto* bytes = data ? data->as<Bytes>() : nullptr;
                const auto url = dictionary ? stringValue(*dictionary, "WebResourceURL") : std::string();
                if (bytes && !url.empty()) {
                    out.subresources.try_emplace(
                        url, WebResource{*bytes, stringValue(*dictionary, "WebResourceMIMEType")});
                }
            }
        }
    }
    const auto* frames = plist::find(archive, "WebSubframeArchives");
    const auto* array = frames ? frames->as<plist::Array>() : nullptr;
    if (!array || depth >= maxFrameDepth) {
        return;
    }
    for (const auto& frame : *array) {
        if (const auto* dictionary = frame.as<plist::Dictionary>()) {
            collectSubresources(*dictionary, depth + 1, out);
        }
    }
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::optional<WebArchive> readWebArchive(std::string_view bytes) {
    plist::Value root;
    try {
        root = plist::decode(bytes);
    } catch (const plist::PropertyListError&) {
        return std::nullopt;
    }
    const auto* archive = root.as<plist::Dictionary>();
    const auto* main = archive ? plist::find(*archive, "WebMainResource") : nullptr;
    const auto* resource = main ? main->as<plist::Dictionary>() : nullptr;
    const auto* data = resource ? plist::find(*resource, "WebResourceData") : nullptr;
    const auto* page = data ? data->as<Bytes>() : nullptr;
    if (!page) {
        return std::nullopt;
    }
    auto encoding = stringValue(*resource, "WebResourceTextEncodingName");
    auto text = decodeText(viewOf(*page), encoding.empty() ? "utf-8" : encoding);
    if (!text) {
        return std::nullopt;
    }
    WebArchive result;
    const auto mimeType = stringValue(*resource, "WebResourceMIMEType");
    if (mimeType == "text/plain") {
        result.html = "<pre>" + escapeHtml(*text) + "</pre>";
    } else if (mimeType.empty() || mimeType == "text/html" || mimeType == "application/xhtml+xml") {
        result.html = std::move(*text);
    } else {
        return std::nullopt;
    }
    result.url = stringValue(*resource, "WebResourceURL");
    collectSubresources(*archive, 0, result);
    return result;
}

} // namespace snipstack::richtext
