#pragma once

#include "core/values/Bytes.h"

#include <string>

namespace snipstack {

// One clipboard flavour of a capture: a type identifier such as "public.png" and its bytes, verbatim.
struct ClipRepresentation {
    std::string type;
    Bytes data;

    friend bool operator==(const ClipRepresentation&, const ClipRepresentation&) = default;
};

} // namespace snipstack
