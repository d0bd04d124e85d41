#include "app/system/clipboard/PasteboardMime.h"

#include "app/system/clipboard/Pasteboard.h"

#include <QByteArray>
#include <QUrl>
#include <algorithm>
#include <array>

namespace snipstack::pasteboard_mime {

namespace {

constexpr std::string_view utf8Text = "text/plain;charset=utf-8";
constexpr std::array<std::string_view, 4> plainTextTargets = {utf8Text, "UTF8_STRING", "text/plain",
                                                              latin1String};

struct Mapping {
    std::string_view target;
    std::string_view identifier;
};

// Targets in the order they are asked for when reading an identifier.
constexpr std::array<Mapping, 7> mappings = {{
    {"text/html", PasteboardType::html},
    {"text/rtf", PasteboardType::rtf},
    {"application/rtf", PasteboardType::rtf},
    {"image/png", PasteboardType::png},
    {"image/tiff", PasteboardType::tiff},
    {uriList, PasteboardType::fileURL},
    {passwordManagerHint, PasteboardType::concealed},
}};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return QByteArray::fromRawData(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QByteArray::fromRawData(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

// Targets that can deliver an identifier, best first.
std::vector<std::string> targetsForIdentifier(std::string_view identifier) {
    if (identifier == PasteboardType::plainText) {
        return {plainTextTargets.begin(), plainTextTargets.end()};
    }
    std::vector<std::string> targets;
    for (const auto& mapping : mappings) {
        if (mapping.identifier == identifier) {
            targets.emplace_back(mapping.target);
        }
    }
    if (targets.empty()) {
        targets.emplace_back(identifier);
    }
    return targets;
}

} // namespace

std::optional<std::string> identifierForTarget(std::string_view target) {
    for (const auto text : plainTextTargets) {
        if (equalsIgnoringCase(target, text)) {
            return std::string(PasteboardType::plainText);
        }
    }
    for (const auto& mapping : mappings) {
        if (equalsIgnoringCase(target, mapping.target)) {
            return std::string(mapping.identifier);
        }
    }
    // Other charsets are the same text again, which the UTF-8 representation already carries.
    if (target.starts_with("text/plain;")) {
        return std::nullopt;
    }
    // Atoms without a slash (TARGETS, TIMESTAMP, MULTIPLE, SAVE_TARGETS, TEXT, COMPOUND_TEXT ...) are
    // X bookkeeping or legacy encodings; Qt's private types only make sense to Qt itself.
    if (target.find('/') == std::string_view::npos || target.starts_with("application/x-qt-")) {
        return std::nullopt;
    }
    return std::string(target);
}

std::vector<std::string> targetsToRead(std::string_view identifier, const std::vector<std::string>& offered) {
    std::vector<std::string> result;
    for (const auto& wanted : targetsForIdentifier(identifier)) {
        for (const auto& target : offered) {
            if (equalsIgnoringCase(target, wanted) &&
                std::find(result.begin(), result.end(), target) == result.end()) {
                result.push_back(target);
            }
        }
    }
    return result;
}

std::optional<std::string> chosenImageTarget(const std::vector<std::string>& offered) {
    constexpr std::array<std::string_view, 6> preference = {"image/png", "image/tiff", "image/jpeg",
                                                            "image/gif", "image/webp", "image/bmp"};
    for (const auto wanted : preference) {
        for (const auto& target : offered) {
            if (equalsIgnoringCase(target, wanted)) {
                return target;
            }
        }
    }
    return std::nullopt;
}

bool isOtherImageTarget(std::string_view target, const std::optional<std::string>& chosen) {
    constexpr std::string_view image = "image/";
    return target.size() > image.size() && equalsIgnoringCase(target.substr(0, image.size()), image) &&
           target != chosen;
}

std::vector<std::string> mimeTypesForIdentifier(std::string_view identifier) {
    if (identifier == PasteboardType::plainText) {
        return {std::string(utf8Text), "text/plain"};
    }
    return {targetsForIdentifier(identifier).front()};
}

std::vector<std::string> fileURLsInURIList(const Bytes& uriList) {
    std::vector<std::string> urls;
    const auto lines =
        QByteArray(reinterpret_cast<const char*>(uriList.data()), static_cast<qsizetype>(uriList.size()))
            .split('\n');
    for (const auto& rawLine : lines) {
        const auto line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const auto url = QUrl::fromEncoded(line);
        if (url.isValid() && url.isLocalFile()) {
            urls.push_back(url.toEncoded().toStdString());
        }
    }
    return urls;
}

Bytes uriListOf(const std::vector<std::string>& urls) {
    Bytes list;
    for (const auto& url : urls) {
        list.insert(list.end(), url.begin(), url.end());
        list.push_back('\r');
        list.push_back('\n');
    }
    return list;
}

} // namespace snipstack::pasteboard_mime
