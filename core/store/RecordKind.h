#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace snipstack {

// The class of a sealed record, also its folder name in the store. Loops over kinds always run
// in this order.
enum class RecordKind { meta, blob, thumb };

inline constexpr std::array<RecordKind, 3> allRecordKinds{RecordKind::meta, RecordKind::blob,
                                                          RecordKind::thumb};

constexpr std::string_view rawValue(RecordKind kind) {
    switch (kind) {
    case RecordKind::meta:
        return "meta";
    case RecordKind::blob:
        return "blob";
    case RecordKind::thumb:
        return "thumb";
    }
    return "meta";
}

} // namespace snipstack
