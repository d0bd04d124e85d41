#include "core/store/StoreManifest.h"

#include "core/values/PropertyList.h"

namespace snipstack {

Bytes StoreManifest::encode() const {
    plist::Dictionary dictionary;
    dictionary.emplace_back("version", version);
    dictionary.emplace_back("storeID", storeID);
    dictionary.emplace_back("keyID", keyID);
    dictionary.emplace_back("createdAt", createdAt);
    dictionary.emplace_back("cipher", std::string(rawValue(cipher)));
    return plist::encode(plist::Value(std::move(dictionary)));
}

std::optional<StoreManifest> StoreManifest::decode(std::string_view bytes) {
    plist::Value root;
    try {
        root = plist::decode(bytes);
    } catch (const plist::PropertyListError&) {
        return std::nullopt;
    }
    const auto* dictionary = root.as<plist::Dictionary>();
    if (!dictionary) {
        return std::nullopt;
    }
    auto get = [&]<typename T>(const char* key) -> const T* {
        const plist::Value* value = plist::find(*dictionary, key);
        return value ? value->as<T>() : nullptr;
    };
    const auto* version = get.operator()<std::int64_t>("version");
    const auto* storeID = get.operator()<std::string>("storeID");
    const auto* keyID = get.operator()<std::string>("keyID");
    const auto* createdAt = get.operator()<Date>("createdAt");
    if (!version || !storeID || !keyID || !createdAt) {
        return std::nullopt;
    }
    StoreManifest manifest{*version, *storeID, *keyID, *createdAt, Cipher::aes256GCM};
    if (const plist::Value* cipherValue = plist::find(*dictionary, "cipher")) {
        const auto* raw = cipherValue->as<std::string>();
        const auto cipher = raw ? cipherFromRawValue(*raw) : std::nullopt;
        if (!cipher) {
            return std::nullopt;
        }
        manifest.cipher = *cipher;
    }
    return manifest;
}

} // namespace snipstack
