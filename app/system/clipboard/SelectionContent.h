#pragma once

#include "app/system/clipboard/Pasteboard.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace snipstack {

// Where a selection's bytes come from: another program over X, or our own data while we own it.
class SelectionSource {
public:
    virtual ~SelectionSource() = default;
    // The offered targets in the owner's order; nothing when nobody owns the selection.
    virtual std::optional<std::vector<std::string>> targets() = 0;
    virtual std::optional<Bytes> read(const std::string& target) = 0;
};

// A selection's content in the program's type identifiers.
//
// Type listing: targets map to identifiers in the owner's order, each listed once. Of the image
// targets only the chosen one is listed (see chosenImageTarget). A text/uri-list holding file URLs is
// listed once as "public.file-url" (its data is the first file URL; fileURLs() has them all); one
// without file URLs stays "text/uri-list". The password-manager hint is listed as the concealed
// marker only when its value is "secret".
class SelectionContent final : public PasteboardContent {
public:
    explicit SelectionContent(std::unique_ptr<SelectionSource> source);

    std::vector<std::string> types() override;
    std::optional<std::vector<std::string>> firstItemTypes() override;
    std::optional<Bytes> data(std::string_view type) override;
    std::optional<std::string> plainText() override;
    std::vector<std::string> fileURLs() override;
    std::optional<Bytes> imageAsTIFF() override;

private:
    struct Listing {
        bool hasItem = false;
        std::vector<std::string> targets;
        std::vector<std::string> types;
        std::vector<std::string> fileURLs;
        std::optional<std::string> imageTarget;
    };

    const Listing& listing();

    std::unique_ptr<SelectionSource> source_;
    std::optional<Listing> listing_;
};

} // namespace snipstack
