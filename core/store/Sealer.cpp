#include "core/store/Sealer.h"

#include "core/store/CryptoError.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace snipstack {

namespace {

using Context = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// EVP takes int lengths; records are fed in pieces so payloads of any size seal.
constexpr std::size_t maxChunk = 1 << 30;

const EVP_CIPHER* algorithm(Cipher cipher, std::size_t keySize) {
    if (cipher == Cipher::chaCha20Poly1305) {
        return keySize == 32 ? EVP_chacha20_poly1305() : nullptr;
    }
    // The AES variant follows the key's length.
    if (keySize == 16) {
        return EVP_aes_128_gcm();
    }
    return keySize == 32 ? EVP_aes_256_gcm() : nullptr;
}

void check(int result) {
    if (result != 1) {
        throw CryptoError(CryptoError::Code::cipherFailure);
    }
}

Context start(const SymmetricKey& key, Cipher cipher, const std::uint8_t* nonce, bool encrypting) {
    const EVP_CIPHER* evp = algorithm(cipher, key.size());
    if (!evp) {
        throw CryptoError(CryptoError::Code::invalidParameterSize);
    }
    Context context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!context) {
        throw CryptoError(CryptoError::Code::cipherFailure);
    }
    check(EVP_CipherInit_ex(context.get(), evp, nullptr, nullptr, nullptr, encrypting ? 1 : 0));
    check(EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_SET_IVLEN, Sealer::nonceSize, nullptr));
    check(EVP_CipherInit_ex(context.get(), nullptr, nullptr, key.bytes().data(), nonce, encrypting ? 1 : 0));
    return context;
}

void feedAssociatedData(EVP_CIPHER_CTX* context, const std::string& data) {
    int ignored = 0;
    check(EVP_CipherUpdate(context, nullptr, &ignored, reinterpret_cast<const std::uint8_t*>(data.data()),
                           static_cast<int>(data.size())));
}

void transform(EVP_CIPHER_CTX* context, const std::uint8_t* in, std::size_t size, std::uint8_t* out) {
    for (std::size_t done = 0; done < size;) {
        const std::size_t chunk = std::min(maxChunk, size - done);
        int written = 0;
        check(EVP_CipherUpdate(context, out + done, &written, in + done, static_cast<int>(chunk)));
        done += chunk;
    }
}

} // namespace

Sealer::Sealer(SymmetricKey key, std::string storeID, Cipher cipher)
    : key_(std::move(key)), storeID_(std::move(storeID)), cipher_(cipher) {
    // Refused here rather than at every record: a key of the wrong size would otherwise make each
    // record look damaged, and loading deletes damaged entries.
    if (!algorithm(cipher_, key_.size())) {
        throw CryptoError(CryptoError::Code::invalidParameterSize);
    }
}

std::string Sealer::associatedData(RecordKind kind, const Uuid& id) const {
    std::string text = "ZK1|";
    text += storeID_;
    text += '|';
    text += rawValue(kind);
    text += '|';
    text += id.string();
    return text;
}

Bytes Sealer::seal(std::string_view plaintext, RecordKind kind, const Uuid& id) const {
    Bytes record(plaintext.size() + overhead);
    std::copy(magic.begin(), magic.end(), record.begin());
    std::uint8_t* nonce = record.data() + magic.size();
    if (RAND_bytes(nonce, nonceSize) != 1) {
        throw CryptoError(CryptoError::Code::randomSourceFailed);
    }
    Context context = start(key_, cipher_, nonce, true);
    feedAssociatedData(context.get(), associatedData(kind, id));
    std::uint8_t* ciphertext = nonce + nonceSize;
    transform(context.get(), reinterpret_cast<const std::uint8_t*>(plaintext.data()), plaintext.size(),
              ciphertext);
    int written = 0;
    check(EVP_CipherFinal_ex(context.get(), ciphertext + plaintext.size(), &written));
    check(EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_GET_TAG, tagSize, ciphertext + plaintext.size()));
    return record;
}

Bytes Sealer::open(std::string_view record, RecordKind kind, const Uuid& id) const {
    if (!record.starts_with(magic)) {
        throw CryptoError(CryptoError::Code::malformedRecord);
    }
    if (record.size() < overhead) {
        throw CryptoError(CryptoError::Code::invalidParameterSize);
    }
    const auto* nonce = reinterpret_cast<const std::uint8_t*>(record.data()) + magic.size();
    const std::size_t size = record.size() - overhead;
    const std::uint8_t* ciphertext = nonce + nonceSize;
    Context context = start(key_, cipher_, nonce, false);
    feedAssociatedData(context.get(), associatedData(kind, id));
    Bytes plaintext(size);
    transform(context.get(), ciphertext, size, plaintext.data());
    check(EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_SET_TAG, tagSize,
                              const_cast<std::uint8_t*>(ciphertext + size)));
    int written = 0;
    if (EVP_CipherFinal_ex(context.get(), plaintext.data() + size, &written) != 1) {
        // No partial plaintext leaves a record that fails authentication.
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        throw CryptoError(CryptoError::Code::authenticationFailure);
    }
    return plaintext;
}

} // namespace snipstack
