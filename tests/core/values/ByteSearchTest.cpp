#include "core/values/ByteSearch.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace snipstack {
namespace {

// Searches exact-size copies, so AddressSanitizer sees any read past the end, and compares with find.
bool agreesWithFind(std::string_view haystack, std::string_view needle) {
    const std::vector<char> h(haystack.begin(), haystack.end()), n(needle.begin(), needle.end());
    return containsBytes({h.data(), h.size()}, {n.data(), n.size()}) ==
           (haystack.find(needle) != std::string_view::npos);
}

TEST(ByteSearch, AgreesWithFindForEverySizeAndPosition) {
    // Few distinct bytes, zero and high ones among them, so partial matches are everywhere.
    std::mt19937 random(7);
    const auto randomBytes = [&](std::size_t size) {
        std::string bytes;
        std::generate_n(std::back_inserter(bytes), size, [&] { return "ab\0\x80\xff"[random() % 5]; });
        return bytes;
    };
    for (std::size_t size = 0; size <= 300; ++size) {
        const std::string haystack = randomBytes(size);
        for (std::size_t length = 0; length <= std::min<std::size_t>(size, 100); ++length) {
            // At the very end the needle walks the last block across every offset. The changed middle byte
            // is one the haystack lacks, so only the full comparison rejects the candidate.
            for (const std::size_t at : {size - length, random() % (size - length + 1)}) {
                std::string needle = haystack.substr(at, length);
                ASSERT_TRUE(agreesWithFind(haystack, needle)) << size << ' ' << at << ' ' << length;
                needle.replace(length / 2, 1, 1, '\x01');
                ASSERT_TRUE(agreesWithFind(haystack, needle)) << size << ' ' << at << ' ' << length;
            }
            ASSERT_TRUE(agreesWithFind(haystack, randomBytes(random() % 6))) << size;
        }
    }
}

} // namespace
} // namespace snipstack
