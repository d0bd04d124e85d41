#pragma once

#include "core/store/DiskStore.h"
#include "core/store/KeyVault.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace snipstack {

// How far a rotation has come; the hook hears each stage once it is reached.
enum class RotationStage { keyStored, copied, verified, pointerFlipped };

class RotationError : public std::runtime_error {
public:
    enum class Code { verificationFailed, keyRoundTripFailed };

    static RotationError verificationFailed(const std::string& text) {
        return RotationError(Code::verificationFailed, text);
    }
    static RotationError keyRoundTripFailed() {
        return RotationError(Code::keyRoundTripFailed,
                             "The new key could not be read back from the keyring.");
    }

    Code code() const { return code_; }
    // For verificationFailed: which kind or record differs.
    const std::string& text() const { return text_; }

    friend bool operator==(const RotationError& a, const RotationError& b) {
        return a.code_ == b.code_ && a.text_ == b.text_;
    }

private:
    RotationError(Code code, const std::string& text) : std::runtime_error(text), code_(code), text_(text) {}

    Code code_;
    std::string text_;
};

// Replaces a store's key by building a complete new store beside it, proving the copy and only
// then switching the pointer, so the pointer always names a complete store whose key is in the
// vault.
class KeyRotator {
public:
    std::function<void(RotationStage)> hook = [](RotationStage) {};

    // The new live store. On any error the live store, its key and the pointer are as they were,
    // and the new store and key are gone (except after a failure creating its folders or manifest,
    // which the next recover() removes).
    DiskStore rotate(const StoreLayout& layout, KeyVault& vault, const DiskStore& current,
                     bool requireAuthentication, std::optional<Cipher> cipher, Date now) const;

    // Settles what an interrupted rotation left: keeps the store the pointer names (or else the
    // newest readable one) and wipes every other store after deleting its key. Also removes
    // temporary files of interrupted writes. Runs before any store is opened; never throws.
    static void recover(const StoreLayout& layout, KeyVault& vault) noexcept;

    // Throws RotationError::verificationFailed on the first difference in record sets or contents,
    // StoreError or CryptoError when a record cannot be read or opened.
    static void verify(const DiskStore& oldStore, const DiskStore& newStore);
};

} // namespace snipstack
