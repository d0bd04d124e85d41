#include "core/store/Cipher.h"

namespace snipstack {

std::string_view rawValue(Cipher cipher) {
    switch (cipher) {
    case Cipher::aes256GCM:
        return "aes-256-gcm";
    case Cipher::aes128GCM:
        return "aes-128-gcm";
    case Cipher::chaCha20Poly1305:
        return "chacha20-poly1305";
    }
    return "aes-256-gcm";
}

std::optional<Cipher> cipherFromRawValue(std::string_view raw) {
    for (Cipher cipher : allCiphers) {
        if (rawValue(cipher) == raw) {
            return cipher;
        }
    }
    return std::nullopt;
}

std::string_view displayName(Cipher cipher) {
    switch (cipher) {
    case Cipher::aes256GCM:
        return "AES-256-GCM";
    case Cipher::aes128GCM:
        return "AES-128-GCM";
    case Cipher::chaCha20Poly1305:
        return "ChaCha20-Poly1305";
    }
    return "AES-256-GCM";
}

bool isFIPSApproved(Cipher cipher) {
    return cipher != Cipher::chaCha20Poly1305;
}

SymmetricKey makeKey(Cipher cipher) {
    return SymmetricKey::random(cipher == Cipher::aes128GCM ? 16 : 32);
}

} // namespace snipstack
