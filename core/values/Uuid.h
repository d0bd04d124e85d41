#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace snipstack {

// A 128-bit identifier. Written out in the canonical upper-case 8-4-4-4-12 form.
class Uuid {
public:
    Uuid() = default;
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

    // A new version 4 UUID from the secure random source.
    static Uuid random();
    // Accepts the 36-character hyphenated form in either letter case; anything else is nothing.
    static std::optional<Uuid> parse(std::string_view text);

    std::string string() const;
    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

} // namespace snipstack

template <> struct std::hash<snipstack::Uuid> {
    std::size_t operator()(const snipstack::Uuid& id) const noexcept {
        // Random UUIDs are already uniformly distributed; eight of their bytes make a good hash.
        std::size_t value;
        std::memcpy(&value, id.bytes().data() + 8, sizeof value);
        return value;
    }
};
