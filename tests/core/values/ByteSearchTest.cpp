#include "core/values/ByteSearch.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>

namespace snipstack {
namespace {

// Copies both arguments into allocations of exactly their size, so AddressSanitizer catches any read
// past the end.
bool searchExact(std::string_view haystack, std::string_view needle) {
    const auto h = std::make_unique<char[]>(haystack.size());
    const auto n = std::make_unique<char[]>(needle.size());
    std::memcpy(h.get(), haystack.data(), haystack.size());
    std::memcpy(n.get(), needle.data(), needle.size());
    return containsBytes({h.get(), haystack.size()}, {n.get(), needle.size()});
}

bool expected(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

// Few distinct bytes, including zero and high bytes, so partial matches are everywhere.
std::string randomBytes(std::mt19937& random, std::size_t size) {
    static constexpr char alphabet[] = {'a', 'b', '\0', '\x80', '\xff'};
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = alphabet[random() % sizeof alphabet];
    }
    return bytes;
}

TEST(ByteSearch, HandlesDegenerateSizes) {
    EXPECT_TRUE(searchExact("", ""));
    EXPECT_TRUE(searchExact("abc", ""));
    EXPECT_FALSE(searchExact("", "a"));
    EXPECT_FALSE(searchExact("ab", "abc"));
    EXPECT_TRUE(searchExact("abc", "abc"));
    EXPECT_FALSE(searchExact("abd", "abc"));
    EXPECT_TRUE(searchExact(std::string_view("x\0y", 3), std::string_view("\0", 1)));
    EXPECT_FALSE(searchExact("needle", "\xff"));
}

TEST(ByteSearch, FindsEveryPlacementNearBlockBoundaries) {
    std::mt19937 random(7);
    for (std::size_t size = 1; size <= 200; ++size) {
        const std::string haystack = randomBytes(random, size);
        for (std::size_t length = 1; length <= std::min<std::size_t>(size, 100); ++length) {
            for (std::size_t at : {std::size_t{0}, size - length, (size - length) / 2, std::size_t{31}}) {
                if (at + length > size) {
                    continue;
                }
                std::string needle = haystack.substr(at, length);
                ASSERT_TRUE(searchExact(haystack, needle)) << size << ' ' << length << ' ' << at;
                needle[length / 2] = '\x01';
                ASSERT_EQ(searchExact(haystack, needle), expected(haystack, needle)) << size << ' ' << length;
            }
        }
    }
}

TEST(ByteSearch, AgreesWithNaiveSearchOnRandomInput) {
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        const std::string haystack = randomBytes(random, random() % 300);
        const std::string needle = randomBytes(random, random() % 101 / (1 + random() % 8));
        ASSERT_EQ(searchExact(haystack, needle), expected(haystack, needle))
            << haystack.size() << ' ' << needle.size();
    }
}

} // namespace
} // namespace snipstack
