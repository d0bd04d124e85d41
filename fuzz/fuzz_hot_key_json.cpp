// The shortcut is stored as JSON in a settings file the user may edit: any bytes must decode to a
// shortcut or nothing, never crash, and a decoded shortcut must be stored and read back unchanged.
#include "app/system/shortcut/HotKey.h"

#include <cstdint>
#include <cstdlib>

using namespace snipstack;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto hotKey = HotKey::fromJson(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!hotKey) {
        return 0;
    }
    if (HotKey::fromJson(hotKey->toJson()) != hotKey) {
        std::abort();
    }
    // Shown in the settings window whatever the key's name holds.
    hotKey->display();
    return 0;
}
