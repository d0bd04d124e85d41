#pragma once

#include "core/model/ClipKind.h"
#include "core/model/ClipPayload.h"

#include <cstdint>
#include <optional>
#include <string>

namespace snipstack {

// A capture on its way into the history. Never stored.
struct ClipDraft {
    ClipKind kind = ClipKind::text;
    // May be longer than the entry will keep.
    std::string text;
    ClipPayload payload;
    // 32 bytes from contentHash(of:); with kind, decides whether a capture is a duplicate.
    Bytes contentHash;
    std::optional<Bytes> thumbnail;
    std::optional<std::string> sourceAppName;
    std::optional<std::string> sourceBundleID;
    std::optional<std::int64_t> imageWidth;
    std::optional<std::int64_t> imageHeight;
};

} // namespace snipstack
