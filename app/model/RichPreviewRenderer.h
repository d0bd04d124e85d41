#pragma once

#include "core/model/ClipPayload.h"
#include "core/values/Bytes.h"

#include <optional>

namespace snipstack {

// Draws a picture of an entry's formatted text for its row in the panel.
class RichPreviewRenderer {
public:
    virtual ~RichPreviewRenderer() = default;

    // PNG bytes, or nothing when the payload has no formatted text to show. Main thread only.
    virtual std::optional<Bytes> render(const ClipPayload& payload) = 0;
};

} // namespace snipstack
