#pragma once

#include <stdexcept>

namespace snipstack {

// A failure of the encrypted store's files: its manifest or one of its records cannot be read.
class StoreError : public std::runtime_error {
public:
    enum class Code { missingManifest, missingRecord };

    explicit StoreError(Code code) : std::runtime_error(describe(code)), code_(code) {}

    static StoreError missingManifest() { return StoreError(Code::missingManifest); }
    static StoreError missingRecord() { return StoreError(Code::missingRecord); }

    Code code() const { return code_; }

private:
    static const char* describe(Code code) {
        return code == Code::missingManifest ? "The history store's manifest is missing or unreadable."
                                             : "A record of the history store is missing or unreadable.";
    }

    Code code_;
};

} // namespace snipstack
