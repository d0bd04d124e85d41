// Records on disk may be damaged in any way. The input becomes the plaintext of a sealed meta and
// blob record and, as it stands, an unsealed one; loading must repair the store without crashing
// and never return an entry whose payload cannot be read.
#include "core/model/ClipCoding.h"
#include "core/model/DiskBackend.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string_view>

using namespace snipstack;
namespace fs = std::filesystem;

namespace {

void put(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const DiskStore& fuzzStore() {
    static const DiskStore store = [] {
        const fs::path base = fs::temp_directory_path() / ("snipstack-fuzz-" + Uuid::random().string());
        return DiskStore::create(StoreLayout(base), SymmetricKey(Bytes(32, 1)), "KEY", Cipher::aes256GCM,
                                 Date{});
    }();
    return store;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DiskStore& store = fuzzStore();
    static const Uuid sealedID = *Uuid::parse("11111111-2222-4333-8444-555555555555");
    static const Uuid rawID = *Uuid::parse("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Written directly rather than crash-safely: the fuzzer needs speed, not durability.
    put(store.recordURL(RecordKind::meta, sealedID),
        viewOf(store.sealer().seal(bytes, RecordKind::meta, sealedID)));
    put(store.recordURL(RecordKind::blob, sealedID),
        viewOf(store.sealer().seal(bytes, RecordKind::blob, sealedID)));
    put(store.recordURL(RecordKind::meta, rawID), bytes);
    put(store.recordURL(RecordKind::blob, rawID), bytes);

    DiskBackend backend(store);
    for (const ClipItem& item : backend.loadItems()) {
        try {
            backend.loadPayload(item.id);
        } catch (const DecodingError&) {
            // A readable entry whose payload does not decode is reported to the caller, not a crash.
        }
        backend.deleteItem(item.id);
    }
    return 0;
}
