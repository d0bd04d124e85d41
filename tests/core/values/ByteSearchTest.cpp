#include "core/values/ByteSearch.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>

namespace snipstack {
namespace {

// Copies both into allocations of exactly their size, so AddressSanitizer sees any read past the end.
bool searchExact(std::string_view haystack, std::string_view needle) {
    const auto h = std::make_unique<char[]>(haystack.size());
    const auto n = std::make_unique<char[]>(needle.size());
    std::memcpy(h.get(), haystack.data(), haystack.size());
    std::memcpy(n.get(), needle.data(), needle.size());
    return containsBytes({h.get(), haystack.size()}, {n.get(), needle.size()});
}

TEST(ByteSearch, HandlesDegenerateSizes) {
    EXPECT_TRUE(searchExact("", ""));
    EXPECT_TRUE(searchExact("abc", ""));
    EXPECT_FALSE(searchExact("", "a"));
    EXPECT_FALSE(searchExact("ab", "abc"));
    EXPECT_TRUE(searchExact("abc", "abc"));
    EXPECT_TRUE(searchExact(std::string_view("x\0y", 3), std::string_view("\0", 1)));
    EXPECT_FALSE(searchExact("needle", "\xff"));
}

TEST(ByteSearch, AgreesWithNaiveSearch) {
    // Few distinct bytes, zero and high ones among them, so partial matches are everywhere.
    std::mt19937 random(7);
    auto randomBytes = [&](std::size_t size) {
        std::string bytes(size, '\0');
        for (char& byte : bytes) {
            byte = "ab\0\x80\xff"[random() % 5];
        }
        return bytes;
    };
    for (std::size_t size = 1; size <= 300; ++size) {
        const std::string haystack = randomBytes(size);
        for (std::size_t length = 1; length <= std::min<std::size_t>(size, 100); ++length) {
            // The needle at the very end walks the tail across every block offset.
            for (std::size_t at : {size - length, random() % (size - length + 1)}) {
                std::string needle = haystack.substr(at, length);
                ASSERT_TRUE(searchExact(haystack, needle)) << size << ' ' << length << ' ' << at;
                needle[length / 2] = '\x01';
                ASSERT_FALSE(searchExact(haystack, needle)) << size << ' ' << length << ' ' << at;
            }
            const std::string shortNeedle = randomBytes(1 + random() % 5);
            ASSERT_EQ(searchExact(haystack, shortNeedle), haystack.find(shortNeedle) != std::string::npos)
                << size << ' ' << shortNeedle.size();
        }
    }
}

} // namespace
} // namespace snipstack
