#pragma once

#include <optional>
#include <string_view>

namespace snipstack {

enum class ClipKind { text, image, file };

// The raw value, which is also the stored form.
constexpr std::string_view rawValue(ClipKind kind) {
    switch (kind) {
    case ClipKind::text:
        return "text";
    case ClipKind::image:
        return "image";
    case ClipKind::file:
        return "file";
    }
    return "text";
}

constexpr std::optional<ClipKind> clipKindFromRawValue(std::string_view raw) {
    for (ClipKind kind : {ClipKind::text, ClipKind::image, ClipKind::file}) {
        if (rawValue(kind) == raw) {
            return kind;
        }
    }
    return std::nullopt;
}

} // namespace snipstack
