#include "tests/support/MemoryPasteboard.h"

#include <algorithm>
#include <utility>

namespace snipstack {

void MemoryPasteboard::setContent(Content content) {
    replace(std::move(content));
    ownedByAnotherProgram_ = true;
    if (onChange) {
        onChange();
    }
}

void MemoryPasteboard::ownerQuits() {
    setContent({});
    ownedByAnotherProgram_ = false;
    if (onOwnerGone) {
        onOwnerGone();
    }
}

namespace {

class Snapshot final : public PasteboardContent {
public:
    Snapshot(MemoryPasteboard::Content content, int& dataReads, std::function<void()> beforeRead)
        : content_(std::move(content)), dataReads_(dataReads), beforeRead_(std::move(beforeRead)) {}

    std::vector<std::string> types() override {
        std::vector<std::string> result;
        for (const auto& representation : content_.representations) {
            result.push_back(representation.type);
        }
        return result;
    }

    std::optional<std::vector<std::string>> firstItemTypes() override {
        if (beforeRead_) {
            beforeRead_();
        }
        return content_.representations.empty() ? std::nullopt : std::optional(types());
    }

    std::optional<Bytes> data(std::string_view type) override {
        ++dataReads_;
        const auto found = std::ranges::find(content_.representations, type, &ClipRepresentation::type);
        return found == content_.representations.end() ? std::nullopt : std::optional(found->data);
    }

    std::optional<std::string> plainText() override {
        if (content_.plainText) {
            return content_.plainText;
        }
        const auto found =
            std::ranges::find(content_.representations, PasteboardType::plainText, &ClipRepresentation::type);
        return found == content_.representations.end() ? std::nullopt
                                                       : std::optional(std::string(viewOf(found->data)));
    }

    std::vector<std::string> fileURLs() override { return content_.fileURLs; }
    std::optional<Bytes> imageAsTIFF() override { return std::nullopt; }

private:
    const MemoryPasteboard::Content content_;
    int& dataReads_;
    const std::function<void()> beforeRead_;
};

} // namespace

std::unique_ptr<PasteboardContent> MemoryPasteboard::read() {
    ++snapshots;
    return std::make_unique<Snapshot>(content_, dataReads, beforeRead);
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
    ownedByAnotherProgram_ = false;
    ++changeCount_;
}

} // namespace snipstack
