// Desktop files are anyone's to write into the application folders: any bytes must parse or be
// refused, never crash, and what reaches the interface is valid UTF-8.
#include "app/system/desktop/DesktopEntry.h"
#include "app/system/desktop/DesktopFile.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace snipstack;

namespace {

bool isUtf8(const std::optional<std::string>& text) {
    if (!text) {
        return true;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(text->data(), qsizetype(text->size())));
    return !decoder.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string> nameKeys = {"Name[sr_RS@latin]", "Name[sr_RS]", "Name[sr@latin]",
                                                      "Name[sr]", "Name"};
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const DesktopFile file(content);
    // Skipped lines are counted once each, in order, and only lines that exist.
    const auto& skipped = file.skippedLines();
    const auto lines = std::size_t(std::count(content.begin(), content.end(), '\n')) + 1;
    if (!std::is_sorted(skipped.begin(), skipped.end()) ||
        std::adjacent_find(skipped.begin(), skipped.end()) != skipped.end() ||
        (!skipped.empty() && (skipped.front() == 0 || skipped.back() > lines))) {
        std::abort();
    }
    for (const char* group : {"Desktop Entry", "Desktop Action new-window"}) {
        for (const char* key : {"Name", "Name[sr]", "Exec", "Icon", "Hidden", "X-GNOME-Autostart-enabled"}) {
            if (!isUtf8(file.value(group, key))) {
                std::abort();
            }
        }
    }
    const auto parsed = applicationEntry(file, "fuzzed", nameKeys);
    if (parsed && (parsed->entry.id != "fuzzed" || !isUtf8(parsed->entry.name) ||
                   !isUtf8(parsed->entry.iconName) || !isUtf8(parsed->windowClass))) {
        std::abort();
    }
    return 0;
}
