#pragma once

#include <stdexcept>

namespace snipstack {

// A sealed record that cannot be opened, or a failure of the cipher layer itself. Callers tell
// a malformed envelope from a record that fails authentication by the code.
class CryptoError : public std::runtime_error {
public:
    enum class Code {
        // The record does not start with the envelope's magic bytes.
        malformedRecord,
        // The envelope is too short to hold a nonce and a tag, or the key has the wrong size.
        invalidParameterSize,
        // The tag does not verify: wrong key, cipher, store, kind or entry, or altered bytes.
        authenticationFailure,
        // The cipher library or the secure random source failed.
        randomSourceFailed,
        cipherFailure,
    };

    explicit CryptoError(Code code) : std::runtime_error(describe(code)), code_(code) {}

    Code code() const { return code_; }

private:
    static const char* describe(Code code) {
        switch (code) {
        case Code::malformedRecord:
            return "The record is not a sealed record.";
        case Code::invalidParameterSize:
            return "The sealed record or key has an invalid size.";
        case Code::authenticationFailure:
            return "The sealed record failed authentication.";
        case Code::randomSourceFailed:
            return "The secure random source failed.";
        case Code::cipherFailure:
            break;
        }
        return "The cipher failed.";
    }

    Code code_;
};

} // namespace snipstack
