#include "core/model/ClipPayload.h"

namespace snipstack {

const Bytes* ClipPayload::dataForType(std::string_view type) const {
    for (const auto& representation : representations) {
        if (representation.type == type) {
            return &representation.data;
        }
    }
    return nullptr;
}

std::int64_t ClipPayload::byteCount() const {
    std::int64_t total = 0;
    for (const auto& representation : representations) {
        total += static_cast<std::int64_t>(representation.data.size());
    }
    return total;
}

} // namespace snipstack
