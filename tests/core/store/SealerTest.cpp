#include "core/store/Sealer.h"

#include "core/store/CryptoError.h"
#include "tests/core/store/StoreTestSupport.h"

#include <gtest/gtest.h>

namespace snipstack {
namespace {

using testing::codeOf;
using Code = CryptoError::Code;

const Uuid entry = Uuid::random();

std::optional<Code> openCode(const Sealer& sealer, const Bytes& record, RecordKind kind = RecordKind::meta,
                             const Uuid& id = entry) {
    return codeOf<CryptoError>([&] { sealer.open(viewOf(record), kind, id); });
}

// The envelope's layout and the ciphers' names are checked against an independent reader in InteropTest.
TEST(SealerTest, EveryCipherSealsRecordsBoundToStoreKindAndEntry) {
    for (const Cipher cipher : allCiphers) {
        SCOPED_TRACE(rawValue(cipher));
        const Sealer sealer(makeKey(cipher), "STORE", cipher);
        const Bytes empty = sealer.seal("", RecordKind::meta, entry);
        EXPECT_TRUE(sealer.open(viewOf(empty), RecordKind::meta, entry).empty());
        // A fresh nonce each time.
        const Bytes text = sealer.seal("text", RecordKind::meta, entry);
        EXPECT_NE(viewOf(empty).substr(4, 12), viewOf(text).substr(4, 12));
        EXPECT_EQ(viewOf(sealer.open(viewOf(text), RecordKind::meta, entry)), "text");
        EXPECT_EQ(openCode(sealer, text, RecordKind::thumb), Code::authenticationFailure);
        EXPECT_EQ(openCode(sealer, text, RecordKind::meta, Uuid::random()), Code::authenticationFailure);
        EXPECT_EQ(openCode(Sealer(sealer.key(), "OTHER", cipher), text), Code::authenticationFailure);
    }
}

TEST(SealerTest, AlteredMalformedShortAndMisreadRecordsDoNotOpen) {
    const Sealer sealer(makeKey(Cipher::aes256GCM), "STORE", Cipher::aes256GCM);
    const Bytes text = sealer.seal("text", RecordKind::meta, entry);
    for (std::size_t at = 4; at < text.size(); ++at) {
        Bytes flipped = text;
        flipped[at] ^= 0x01;
        EXPECT_EQ(openCode(sealer, flipped), Code::authenticationFailure) << at;
    }
    EXPECT_EQ(openCode(sealer, bytesOf("zkr1" + std::string(40, 'a'))), Code::malformedRecord);
    EXPECT_EQ(openCode(sealer, bytesOf("ZKR1" + std::string(27, 'a'))), Code::invalidParameterSize);
    // The envelope does not name its cipher; a key of the wrong size is refused.
    EXPECT_EQ(openCode(Sealer(sealer.key(), "STORE", Cipher::chaCha20Poly1305), text),
              Code::authenticationFailure);
    EXPECT_EQ(
        codeOf<CryptoError>([] { Sealer(makeKey(Cipher::aes128GCM), "STORE", Cipher::chaCha20Poly1305); }),
        Code::invalidParameterSize);
    EXPECT_EQ(codeOf<CryptoError>([] { Sealer(SymmetricKey(Bytes(24, 1)), "STORE", Cipher::aes256GCM); }),
              Code::invalidParameterSize);
}

} // namespace
} // namespace snipstack
