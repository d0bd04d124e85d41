#include "app/system/keyring/KeychainError.h"

namespace snipstack {

namespace {

std::string describe(std::int32_t status, const std::string& detail) {
    switch (status) {
    case KeychainError::itemNotFound:
        return "The key was not found in the keyring.";
    case KeychainError::duplicateItem:
        return "A key with this identifier is already in the keyring.";
    case KeychainError::userCanceled:
        return "The keyring was not unlocked.";
    case KeychainError::notAvailable:
        return "No keyring service (Secret Service) is running.";
    case KeychainError::serviceFailure:
        if (!detail.empty()) {
            return detail;
        }
        break;
    default:
        break;
    }
    return "Keyring error " + std::to_string(status);
}

} // namespace

KeychainError::KeychainError(std::int32_t status, const std::string& detail)
    : std::runtime_error(describe(status, detail)), status_(status) {}

} // namespace snipstack
