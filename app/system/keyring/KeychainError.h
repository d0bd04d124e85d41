#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace snipstack {

// A failure of the desktop keyring (the Secret Service) while keeping or releasing a store key.
// `status` uses the key store's signed status codes so callers treat every platform alike.
class KeychainError : public std::runtime_error {
public:
    static constexpr std::int32_t itemNotFound = -25300;
    static constexpr std::int32_t duplicateItem = -25299;
    static constexpr std::int32_t userCanceled = -128;
    static constexpr std::int32_t notAvailable = -25291;
    static constexpr std::int32_t serviceFailure = -26276;

    // `detail` is the keyring library's own message; it describes a `serviceFailure`.
    explicit KeychainError(std::int32_t status, const std::string& detail = {});

    std::int32_t status() const { return status_; }

private:
    std::int32_t status_;
};

} // namespace snipstack
