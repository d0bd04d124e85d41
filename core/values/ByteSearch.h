#pragma once

#include <cstddef>
#include <string_view>

namespace snipstack {

// Whether `needle` occurs as a contiguous byte sequence in `haystack`. An empty needle occurs
// everywhere. Vectorised where the processor allows, with a portable fallback.
bool containsBytes(std::string_view haystack, std::string_view needle);

} // namespace snipstack
