#include "tests/support/MemoryPasteboard.h"

#include <algorithm>
#include <utility>

namespace snipstack {

void MemoryPasteboard::setContent(Content content) {
    replace(std::move(content));
    if (onChange) {
        onChange();
    }
}

class MemoryPasteboard::Snapshot final : public PasteboardContent {
public:
    Snapshot(Content content, ReadCounts& reads) : content_(std::move(content)), reads_(reads) {}

    std::vector<std::string> types() override {
        ++reads_.types;
        return typeList();
    }

    std::optional<std::vector<std::string>> firstItemTypes() override {
        ++reads_.firstItemTypes;
        if (content_.representations.empty()) {
            return std::nullopt;
        }
        return typeList();
    }

    std::optional<Bytes> data(std::string_view type) override {
        ++reads_.data;
        const auto found = std::ranges::find(content_.representations, type, &ClipRepresentation::type);
        if (found == content_.representations.end()) {
            return std::nullopt;
        }
        return found->data;
    }

    std::optional<std::string> plainText() override {
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

    std::vector<std::string> fileURLs() override {
        ++reads_.fileURLs;
        return content_.fileURLs;
    }

    std::optional<Bytes> imageAsTIFF() override {
        ++reads_.imageAsTIFF;
        return content_.tiffImage;
    }

private:
    std::vector<std::string> typeList() const {
        std::vector<std::string> result;
        for (const auto& representation : content_.representations) {
            result.push_back(representation.type);
        }
        return result;
    }

    const Content content_;
    ReadCounts& reads_;
};

std::unique_ptr<PasteboardContent> MemoryPasteboard::read() {
    ++reads_.snapshots;
    return std::make_unique<Snapshot>(content_, reads_);
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
