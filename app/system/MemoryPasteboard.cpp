#include "app/system/MemoryPasteboard.h"

#include <algorithm>
#include <utility>

namespace snipstack {

void MemoryPasteboard::setContent(Content content) {
    replace(std::move(content));
    if (onChange) {
        onChange();
    }
}

std::vector<std::string> MemoryPasteboard::types() {
    ++reads_.types;
    std::vector<std::string> result;
    for (const auto& representation : content_.representations) {
        result.push_back(representation.type);
    }
    return result;
}

std::optional<std::vector<std::string>> MemoryPasteboard::firstItemTypes() {
    ++reads_.firstItemTypes;
    if (content_.representations.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> result;
    for (const auto& representation : content_.representations) {
        result.push_back(representation.type);
    }
    return result;
}

std::optional<Bytes> MemoryPasteboard::data(std::string_view type) {
    ++reads_.data;
    const auto& representations = content_.representations;
    const auto found = std::find_if(representations.begin(), representations.end(),
                                    [type](const ClipRepresentation& r) { return r.type == type; });
    if (found == representations.end()) {
        return std::nullopt;
    }
    return found->data;
}

std::optional<std::string> MemoryPasteboard::plainText() {
    ++reads_.plainText;
    if (content_.plainText) {
        return content_.plainText;
    }
    for (const auto& representation : content_.representations) {
        if (representation.type == PasteboardType::plainText) {
            return std::string(viewOf(representation.data));
        }
    }
    return std::nullopt;
}

std::vector<std::string> MemoryPasteboard::fileURLs() {
    ++reads_.fileURLs;
    return content_.fileURLs;
}

std::optional<Bytes> MemoryPasteboard::imageAsTIFF() {
    ++reads_.imageAsTIFF;
    return content_.tiffImage;
}

void MemoryPasteboard::clearContents() {
    replace({});
}

void MemoryPasteboard::writeItem(const std::vector<ClipRepresentation>& representations) {
    replace({.representations = representations});
}

void MemoryPasteboard::writeFileURLs(const std::vector<std::string>& urls) {
    Content content{.fileURLs = urls};
    // Listed once, as the system clipboard lists a URL list.
    if (!urls.empty()) {
        content.representations.push_back({std::string(PasteboardType::fileURL), bytesOf(urls.front())});
    }
    replace(std::move(content));
}

void MemoryPasteboard::setString(std::string_view text) {
    replace({.representations = {{std::string(PasteboardType::plainText), bytesOf(text)}}});
}

void MemoryPasteboard::replace(Content content) {
    content_ = std::move(content);
    ++changeCount_;
}

} // namespace snipstack
