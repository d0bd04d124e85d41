#include "core/store/Sealer.h"

#include "core/store/CryptoError.h"
#include "tests/core/store/StoreTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace snipstack {
namespace {

using testing::codeOf;
using Code = CryptoError::Code;

// Seals as another implementation would, straight from OpenSSL: "ZKR1", nonce, ciphertext, tag.
Bytes directSeal(Cipher cipher, const SymmetricKey& key, const std::string& ad, const std::string& text) {
    const EVP_CIPHER* evp[] = {EVP_aes_256_gcm(), EVP_aes_128_gcm(), EVP_chacha20_poly1305()};
    Bytes record = bytesOf("ZKR1" + std::string(12 + text.size() + 16, '\0'));
    std::uint8_t* nonce = record.data() + 4;
    RAND_bytes(nonce, 12);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    EVP_EncryptInit_ex(ctx, evp[static_cast<int>(cipher)], nullptr, key.bytes().data(), nonce);
    EVP_EncryptUpdate(ctx, nullptr, &n, bytesOf(ad).data(), static_cast<int>(ad.size()));
    EVP_EncryptUpdate(ctx, nonce + 12, &n, bytesOf(text).data(), static_cast<int>(text.size()));
    EVP_EncryptFinal_ex(ctx, nonce + 12 + text.size(), &n);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_GET_TAG, 16, nonce + 12 + text.size());
    EVP_CIPHER_CTX_free(ctx);
    return record;
}

std::optional<Code> openCode(const Sealer& sealer, const Bytes& record, RecordKind kind, const Uuid& id) {
    return codeOf<CryptoError>([&] { sealer.open(viewOf(record), kind, id); });
}

TEST(SealerTest, EnvelopeBindingAndCipherNamesForEveryCipher) {
    const Uuid id = Uuid::random();
    std::string lowerID = id.string();
    std::transform(lowerID.begin(), lowerID.end(), lowerID.begin(), [](char c) { return std::tolower(c); });
    const char* names[][2] = {{"aes-256-gcm", "AES-256-GCM"},
                              {"aes-128-gcm", "AES-128-GCM"},
                              {"chacha20-poly1305", "ChaCha20-Poly1305"}};
    for (std::size_t i = 0; i < allCiphers.size(); ++i) {
        const Cipher cipher = allCiphers[i];
        EXPECT_EQ(rawValue(cipher), names[i][0]);
        EXPECT_EQ(cipherFromRawValue(names[i][0]), cipher);
        EXPECT_FALSE(cipherFromRawValue(names[i][1]));
        EXPECT_EQ(displayName(cipher), names[i][1]);
        EXPECT_EQ(isFIPSApproved(cipher), cipher != Cipher::chaCha20Poly1305);

        const Sealer sealer(makeKey(cipher), "STORE", cipher);
        EXPECT_EQ(sealer.key().size(), cipher == Cipher::aes128GCM ? 16u : 32u);
        const Bytes empty = sealer.seal("", RecordKind::meta, id);
        EXPECT_EQ(viewOf(empty).substr(0, 4), "ZKR1");
        EXPECT_EQ(empty.size(), 32u);
        EXPECT_TRUE(sealer.open(viewOf(empty), RecordKind::meta, id).empty());
        const Bytes text = sealer.seal("text", RecordKind::meta, id);
        EXPECT_NE(viewOf(empty).substr(4, 12), viewOf(text).substr(4, 12));
        EXPECT_EQ(viewOf(sealer.open(viewOf(text), RecordKind::meta, id)), "text");
        for (std::size_t at = 4; at < text.size(); ++at) {
            Bytes flipped = text;
            flipped[at] ^= 0x01;
            EXPECT_EQ(openCode(sealer, flipped, RecordKind::meta, id), Code::authenticationFailure) << at;
        }
        EXPECT_EQ(openCode(sealer, text, RecordKind::thumb, id), Code::authenticationFailure);
        EXPECT_EQ(openCode(sealer, text, RecordKind::meta, Uuid::random()), Code::authenticationFailure);
        EXPECT_EQ(openCode(Sealer(sealer.key(), "OTHER", cipher), text, RecordKind::meta, id),
                  Code::authenticationFailure);
        // Another implementation's records open only when the UUID is written in upper case.
        const Bytes upper = directSeal(cipher, sealer.key(), "ZK1|STORE|blob|" + id.string(), "foreign");
        EXPECT_EQ(viewOf(sealer.open(viewOf(upper), RecordKind::blob, id)), "foreign");
        const Bytes lower = directSeal(cipher, sealer.key(), "ZK1|STORE|blob|" + lowerID, "foreign");
        EXPECT_EQ(openCode(sealer, lower, RecordKind::blob, id), Code::authenticationFailure);
    }
}

TEST(SealerTest, MalformedShortAndWrongCipherRecords) {
    const Uuid id = Uuid::random();
    const Sealer sealer(makeKey(Cipher::aes256GCM), "STORE", Cipher::aes256GCM);
    EXPECT_EQ(openCode(sealer, bytesOf("ZKR"), RecordKind::meta, id), Code::malformedRecord);
    EXPECT_EQ(openCode(sealer, bytesOf("zkr1" + std::string(40, 'a')), RecordKind::meta, id),
              Code::malformedRecord);
    EXPECT_EQ(openCode(sealer, bytesOf("ZKR1" + std::string(20, 'a')), RecordKind::meta, id),
              Code::invalidParameterSize);
    // The envelope does not name its cipher.
    const Sealer chacha(sealer.key(), "STORE", Cipher::chaCha20Poly1305);
    EXPECT_EQ(openCode(chacha, sealer.seal("x", RecordKind::meta, id), RecordKind::meta, id),
              Code::authenticationFailure);
}

} // namespace
} // namespace snipstack
