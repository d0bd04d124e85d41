#include "core/values/ByteSearch.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace snipstack {

#if defined(__x86_64__)

namespace {

// The routines below take needles of at least two bytes and the number of possible start positions.
// A block of start positions is filtered by comparing the needle's first, second and last bytes at
// once; only positions where all three agree are compared in full. With a common first letter, as in
// "ethos" in English text, a first-byte scan alone would stop every few bytes. The final block is
// shifted back to end at the last start position, so nothing past the haystack is read and no scalar
// tail is needed; the positions it revisits were already rejected.

bool containsScalar(const char* haystack, std::size_t starts, const char* needle, std::size_t length) {
    for (std::size_t i = 0; i < starts; ++i) {
        if (haystack[i] == needle[0] && std::memcmp(haystack + i, needle, length) == 0) {
            return true;
        }
    }
    return false;
}

bool anyCandidateMatches(unsigned mask, const char* block, const char* needle, std::size_t length) {
    for (; mask != 0; mask &= mask - 1) {
        if (std::memcmp(block + __builtin_ctz(mask), needle, length) == 0) {
            return true;
        }
    }
    return false;
}

bool sse2BlockMatches(const char* block, const char* needle, std::size_t length) {
    auto equal = [&](std::size_t offset) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + offset)),
                              _mm_set1_epi8(needle[offset]));
    };
    const __m128i all = _mm_and_si128(_mm_and_si128(equal(0), equal(1)), equal(length - 1));
    return anyCandidateMatches(static_cast<unsigned>(_mm_movemask_epi8(all)), block, needle, length);
}

bool containsSse2(const char* haystack, std::size_t starts, const char* needle, std::size_t length) {
    constexpr std::size_t width = 16;
    if (starts < width) {
        return containsScalar(haystack, starts, needle, length);
    }
    for (std::size_t i = 0; i + width <= starts; i += width) {
        if (sse2BlockMatches(haystack + i, needle, length)) {
            return true;
        }
    }
    return starts % width != 0 && sse2BlockMatches(haystack + starts - width, needle, length);
}

__attribute__((target("avx2"))) __m256i avx2Equal(const char* block, const char* needle, std::size_t offset) {
    return _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + offset)),
                             _mm256_set1_epi8(needle[offset]));
}

__attribute__((target("avx2"))) bool avx2BlockMatches(const char* block, const char* needle,
                                                      std::size_t length) {
    const __m256i all =
        _mm256_and_si256(_mm256_and_si256(avx2Equal(block, needle, 0), avx2Equal(block, needle, 1)),
                         avx2Equal(block, needle, length - 1));
    return anyCandidateMatches(static_cast<unsigned>(_mm256_movemask_epi8(all)), block, needle, length);
}

__attribute__((target("avx2"))) bool containsAvx2(const char* haystack, std::size_t starts,
                                                  const char* needle, std::size_t length) {
    constexpr std::size_t width = 32;
    if (starts < width) {
        return containsSse2(haystack, starts, needle, length);
    }
    for (std::size_t i = 0; i + width <= starts; i += width) {
        if (avx2BlockMatches(haystack + i, needle, length)) {
            return true;
        }
    }
    return starts % width != 0 && avx2BlockMatches(haystack + starts - width, needle, length);
}

using Search = bool (*)(const char*, std::size_t, const char*, std::size_t);

Search chooseSearch() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? containsAvx2 : containsSse2;
}

} // namespace

bool containsBytes(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) {
        return false;
    }
    if (needle.size() <= 1) {
        return needle.empty() || std::memchr(haystack.data(), needle[0], haystack.size()) != nullptr;
    }
    static const Search search = chooseSearch();
    return search(haystack.data(), haystack.size() - needle.size() + 1, needle.data(), needle.size());
}

#else

bool containsBytes(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

#endif

} // namespace snipstack
