// The targets a clipboard owner offers are names it chose, one per line here: mapping them must
// never crash, and the targets read for an identifier must be offered ones, each once, and must
// include every offered target that maps to it.
#include "app/system/clipboard/Pasteboard.h"
#include "app/system/clipboard/PasteboardMime.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>

using namespace snipstack;
namespace mime = pasteboard_mime;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> offered;
    // Owners offer a few dozen targets; the checks below grow with the square of the count.
    constexpr std::size_t maximumTargets = 64;
    while (!input.empty() && offered.size() < maximumTargets) {
        const auto end = input.find('\n');
        offered.emplace_back(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    std::vector<std::pair<std::string, std::string>> mapped;
    for (const std::string& target : offered) {
        if (auto identifier = mime::identifierForTarget(target)) {
            mapped.emplace_back(target, std::move(*identifier));
        }
    }
    std::set<std::string> identifiers = {std::string(PasteboardType::plainText),
                                         std::string(PasteboardType::html), std::string(PasteboardType::png)};
    for (const auto& [target, identifier] : mapped) {
        identifiers.insert(identifier);
    }
    for (const std::string& identifier : identifiers) {
        const auto toRead = mime::targetsToRead(identifier, offered);
        for (auto target = toRead.begin(); target != toRead.end(); ++target) {
            if (std::find(offered.begin(), offered.end(), *target) == offered.end() ||
                std::find(toRead.begin(), target, *target) != target) {
                std::abort();
            }
        }
        for (const auto& [target, mappedIdentifier] : mapped) {
            if (mappedIdentifier == identifier &&
                std::find(toRead.begin(), toRead.end(), target) == toRead.end()) {
                std::abort();
            }
        }
        mime::mimeTypesForIdentifier(identifier);
    }
    return 0;
}
