#pragma once

#include "core/model/ClipKind.h"
#include "core/values/Bytes.h"
#include "core/values/Date.h"
#include "core/values/Uuid.h"

#include <cstdint>
#include <optional>
#include <string>

namespace snipstack {

// One history entry. Its payload and thumbnail live beside it in the backend, under the same id.
struct ClipItem {
    Uuid id;
    Date createdAt;
    // Orders the history and ages entries out.
    Date lastUsedAt;
    ClipKind kind = ClipKind::text;
    // At most 100,000 user-perceived characters.
    std::string text;
    std::optional<std::string> ocrText;
    std::optional<std::string> sourceAppName;
    std::optional<std::string> sourceBundleID;
    bool isPinned = false;
    Bytes contentHash;
    std::int64_t byteCount = 0;
    std::optional<std::int64_t> imageWidth;
    std::optional<std::int64_t> imageHeight;
    // Absent until the preview step has decided; true when a rendered preview is the thumbnail.
    std::optional<bool> hasRichPreview;

    // Views notice a changed entry by comparing every field.
    friend bool operator==(const ClipItem&, const ClipItem&) = default;
};

} // namespace snipstack
