#include "core/values/Sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace snipstack {

Bytes sha256(std::string_view bytes) {
    Bytes digest(32);
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size()) {
        throw std::runtime_error("SHA-256 digest failed.");
    }
    return digest;
}

} // namespace snipstack
