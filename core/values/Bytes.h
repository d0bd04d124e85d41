#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace snipstack {

// An owned byte string: clipboard data, hashes, keys, sealed records.
using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline std::string_view viewOf(const Bytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace snipstack
