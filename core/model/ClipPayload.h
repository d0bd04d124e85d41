#pragma once

#include "core/model/ClipRepresentation.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace snipstack {

// The full content of one capture. The order of representations is the capture order, and the
// order they are written back to the clipboard in.
struct ClipPayload {
    std::vector<ClipRepresentation> representations;

    // The data of the first representation of exactly this type, or nullptr.
    const Bytes* dataForType(std::string_view type) const;
    // Total size of all representations' data.
    std::int64_t byteCount() const;

    friend bool operator==(const ClipPayload&, const ClipPayload&) = default;
};

} // namespace snipstack
