#include "core/values/ByteSearch.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace snipstack {

#if defined(__x86_64__)

namespace {

// Every routine below looks for needles of at least two bytes. A block of W candidate start positions
// at offset i is filtered by comparing the needle's first byte against h[i..i+W) and its last byte
// against h[i+n-1..i+n-1+W); only positions where both agree are compared in full. That discards far
// more candidates than scanning for the first byte alone when the first byte is common. The final
// block is shifted back to end exactly at the last start position, so nothing past the haystack is
// read and no scalar tail is needed; positions it revisits cannot produce a false match.

bool containsScalar(const char* haystack, std::size_t starts, const char* needle, std::size_t length) {
    for (std::size_t i = 0; i < starts; ++i) {
        if (haystack[i] == needle[0] && haystack[i + length - 1] == needle[length - 1] &&
            std::memcmp(haystack + i + 1, needle + 1, length - 2) == 0) {
            return true;
        }
    }
    return false;
}

bool anyCandidateMatches(unsigned mask, const char* at, const char* needle, std::size_t length) {
    while (mask != 0) {
        const int offset = __builtin_ctz(mask);
        if (std::memcmp(at + offset + 1, needle + 1, length - 2) == 0) {
            return true;
        }
        mask &= mask - 1;
    }
    return false;
}

bool sse2BlockMatches(const char* haystack, std::size_t i, const char* needle, std::size_t length) {
    const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i));
    const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i + length - 1));
    const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(head, _mm_set1_epi8(needle[0])),
                                       _mm_cmpeq_epi8(tail, _mm_set1_epi8(needle[length - 1])));
    return anyCandidateMatches(static_cast<unsigned>(_mm_movemask_epi8(both)), haystack + i, needle, length);
}

bool containsSse2(const char* haystack, std::size_t starts, const char* needle, std::size_t length) {
    constexpr std::size_t width = 16;
    if (starts < width) {
        return containsScalar(haystack, starts, needle, length);
    }
    for (std::size_t i = 0; i + width <= starts; i += width) {
        if (sse2BlockMatches(haystack, i, needle, length)) {
            return true;
        }
    }
    return starts % width != 0 && sse2BlockMatches(haystack, starts - width, needle, length);
}

__attribute__((target("avx2"))) bool avx2BlockMatches(const char* haystack, std::size_t i, const char* needle,
                                                      std::size_t length) {
    const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(haystack + i));
    const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(haystack + i + length - 1));
    const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(head, _mm256_set1_epi8(needle[0])),
                                          _mm256_cmpeq_epi8(tail, _mm256_set1_epi8(needle[length - 1])));
    return anyCandidateMatches(static_cast<unsigned>(_mm256_movemask_epi8(both)), haystack + i, needle,
                               length);
}

__attribute__((target("avx2"))) bool containsAvx2(const char* haystack, std::size_t starts,
                                                  const char* needle, std::size_t length) {
    constexpr std::size_t width = 32;
    if (starts < width) {
        return containsSse2(haystack, starts, needle, length);
    }
    for (std::size_t i = 0; i + width <= starts; i += width) {
        if (avx2BlockMatches(haystack, i, needle, length)) {
            return true;
        }
    }
    return starts % width != 0 && avx2BlockMatches(haystack, starts - width, needle, length);
}

using Search = bool (*)(const char*, std::size_t, const char*, std::size_t);

Search chooseSearch() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? containsAvx2 : containsSse2;
}

} // namespace

bool containsBytes(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    if (needle.size() > haystack.size()) {
        return false;
    }
    if (needle.size() == 1) {
        return std::memchr(haystack.data(), needle[0], haystack.size()) != nullptr;
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
