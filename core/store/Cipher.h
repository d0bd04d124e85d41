#pragma once

#include "core/store/SymmetricKey.h"

#include <array>
#include <optional>
#include <string_view>

namespace snipstack {

// The authenticated cipher of a store. The raw value is what the manifest and preferences keep.
enum class Cipher { aes256GCM, aes128GCM, chaCha20Poly1305 };

inline constexpr std::array<Cipher, 3> allCiphers{Cipher::aes256GCM, Cipher::aes128GCM,
                                                  Cipher::chaCha20Poly1305};

std::string_view rawValue(Cipher cipher);
std::optional<Cipher> cipherFromRawValue(std::string_view raw);
std::string_view displayName(Cipher cipher);
bool isFIPSApproved(Cipher cipher);
// A new random key: 128 bits for AES-128-GCM, 256 bits otherwise.
SymmetricKey makeKey(Cipher cipher);

} // namespace snipstack
