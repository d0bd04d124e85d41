#pragma once

#include "core/store/Cipher.h"
#include "core/values/Bytes.h"
#include "core/values/Date.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace snipstack {

// Describes one store: its identity, where its key lies in the vault and how it is sealed.
struct StoreManifest {
    std::int64_t version = 1;
    std::string storeID;
    // The key's identifier in the key vault.
    std::string keyID;
    Date createdAt;
    Cipher cipher = Cipher::aes256GCM;

    Bytes encode() const;
    // Nothing for bytes that are not a manifest. "cipher" may be missing (AES-256-GCM); an
    // unknown cipher makes the whole manifest unreadable.
    static std::optional<StoreManifest> decode(std::string_view bytes);

    friend bool operator==(const StoreManifest&, const StoreManifest&) = default;
};

} // namespace snipstack
