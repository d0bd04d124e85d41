#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace snipstack {

// Raw key bytes that are wiped from memory when the key is released, so a store key does not
// linger in freed heap blocks.
class SymmetricKey {
public:
    SymmetricKey() = default;
    explicit SymmetricKey(std::span<const std::uint8_t> bytes);
    SymmetricKey(const SymmetricKey& other);
    SymmetricKey(SymmetricKey&& other) noexcept;
    SymmetricKey& operator=(const SymmetricKey& other);
    SymmetricKey& operator=(SymmetricKey&& other) noexcept;
    ~SymmetricKey();

    // `count` bytes from the secure random source.
    static SymmetricKey random(std::size_t count);

    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

    friend bool operator==(const SymmetricKey& a, const SymmetricKey& b);

private:
    void wipe() noexcept;

    std::vector<std::uint8_t> bytes_;
};

} // namespace snipstack
