// Sealed records are read back from disk: opening arbitrary bytes must fail with a CryptoError and
// never crash, and whatever is sealed must open to the same bytes under every cipher.
#include "core/store/CryptoError.h"
#include "core/store/Sealer.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Uuid id = *Uuid::parse("6F9619FF-8B86-D011-B42D-00C04FC964FF");
    static const Sealer sealers[] = {
        Sealer(SymmetricKey(Bytes(32, 7)), "B5A0F1D2-9C43-4E7A-8F1B-2C3D4E5F6A7B", Cipher::aes256GCM),
        Sealer(SymmetricKey(Bytes(16, 7)), "B5A0F1D2-9C43-4E7A-8F1B-2C3D4E5F6A7B", Cipher::aes128GCM),
        Sealer(SymmetricKey(Bytes(32, 7)), "B5A0F1D2-9C43-4E7A-8F1B-2C3D4E5F6A7B", Cipher::chaCha20Poly1305),
    };
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const Sealer& sealer : sealers) {
        try {
            sealer.open(bytes, RecordKind::meta, id);
        } catch (const CryptoError&) {
        }
        const Bytes sealed = sealer.seal(bytes, RecordKind::blob, id);
        if (sealed.size() != size + Sealer::overhead ||
            sealer.open(viewOf(sealed), RecordKind::blob, id) != Bytes(data, data + size)) {
            std::abort();
        }
    }
    return 0;
}
