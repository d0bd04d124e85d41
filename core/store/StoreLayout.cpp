#include "core/store/StoreLayout.h"

#include "core/store/StoreFiles.h"

#include <unicode/ustring.h>

namespace snipstack {

namespace fs = std::filesystem;

namespace {

bool isValidUtf8(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status);
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\n\r\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

std::optional<std::string> StoreLayout::currentStoreID() const {
    const auto content = readFile(base_ / "current");
    // The pointer is a UUID; anything much longer is not one of ours.
    if (!content || content->size() > 4096 || !isValidUtf8(viewOf(*content))) {
        return std::nullopt;
    }
    const std::string_view id = trimmed(viewOf(*content));
    return id.empty() ? std::nullopt : std::optional<std::string>(id);
}

void StoreLayout::setCurrent(const std::string& id) const {
    fs::create_directories(base_);
    writeAtomically(id, base_ / "current");
}

void StoreLayout::clearCurrent() const {
    std::error_code ignored;
    fs::remove(base_ / "current", ignored);
}

std::vector<std::string> StoreLayout::storeIDs() const {
    std::vector<std::string> ids;
    std::error_code error;
    for (fs::directory_iterator entry(storesDirectory(), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code statusError;
        if (name.starts_with('.') || !fs::is_directory(entry->symlink_status(statusError)) || statusError) {
            continue;
        }
        ids.push_back(name);
    }
    return ids;
}

std::optional<StoreManifest> StoreLayout::manifest(const std::string& storeID) const {
    const auto content = readFile(storeDirectory(storeID) / "manifest");
    return content ? StoreManifest::decode(viewOf(*content)) : std::nullopt;
}

} // namespace snipstack
