#include "core/store/SymmetricKey.h"

#include "core/store/CryptoError.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace snipstack {

SymmetricKey::SymmetricKey(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}

SymmetricKey::SymmetricKey(const SymmetricKey& other) : bytes_(other.bytes_) {}

SymmetricKey::SymmetricKey(SymmetricKey&& other) noexcept : bytes_(std::move(other.bytes_)) {}

SymmetricKey& SymmetricKey::operator=(const SymmetricKey& other) {
    if (this != &other) {
        wipe();
        bytes_ = other.bytes_;
    }
    return *this;
}

SymmetricKey& SymmetricKey::operator=(SymmetricKey&& other) noexcept {
    if (this != &other) {
        wipe();
        bytes_ = std::move(other.bytes_);
    }
    return *this;
}

SymmetricKey::~SymmetricKey() {
    wipe();
}

SymmetricKey SymmetricKey::random(std::size_t count) {
    SymmetricKey key;
    key.bytes_.resize(count);
    if (RAND_bytes(key.bytes_.data(), static_cast<int>(count)) != 1) {
        throw CryptoError(CryptoError::Code::randomSourceFailed);
    }
    return key;
}

bool operator==(const SymmetricKey& a, const SymmetricKey& b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.bytes_.data(), b.bytes_.data(), a.size()) == 0;
}

void SymmetricKey::wipe() noexcept {
    if (!bytes_.empty()) {
        OPENSSL_cleanse(bytes_.data(), bytes_.size());
    }
    bytes_.clear();
}

} // namespace snipstack
