#pragma once

#include "core/store/Cipher.h"
#include "core/store/RecordKind.h"
#include "core/store/SymmetricKey.h"
#include "core/values/Bytes.h"
#include "core/values/Uuid.h"

#include <string>
#include <string_view>

namespace snipstack {

// Seals and opens the records of one store. A sealed record ("ZKR1", 12-byte nonce, ciphertext,
// 16-byte tag) is bound through its associated data to the store, the record kind and the entry,
// so a record moved to another store, entry or folder does not open.
class Sealer {
public:
    static constexpr std::string_view magic = "ZKR1";
    static constexpr std::size_t nonceSize = 12;
    static constexpr std::size_t tagSize = 16;
    static constexpr std::size_t overhead = magic.size() + nonceSize + tagSize;

    // Throws CryptoError::invalidParameterSize for a key that fits no algorithm of the cipher.
    Sealer(SymmetricKey key, std::string storeID, Cipher cipher);

    const SymmetricKey& key() const { return key_; }
    const std::string& storeID() const { return storeID_; }
    Cipher cipher() const { return cipher_; }

    Bytes seal(std::string_view plaintext, RecordKind kind, const Uuid& id) const;
    // Throws CryptoError: malformedRecord without the magic, invalidParameterSize when too short
    // for a nonce and a tag, authenticationFailure when the tag does not verify.
    Bytes open(std::string_view record, RecordKind kind, const Uuid& id) const;

    // "ZK1|" + store ID + "|" + kind + "|" + upper-case entry UUID.
    std::string associatedData(RecordKind kind, const Uuid& id) const;

private:
    SymmetricKey key_;
    std::string storeID_;
    Cipher cipher_;
};

} // namespace snipstack
