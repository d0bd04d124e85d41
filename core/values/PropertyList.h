#pragma once

#include "core/values/Bytes.h"
#include "core/values/Date.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace snipstack::plist {

struct Value;

using Array = std::vector<Value>;
// Keys keep the order they were written or read in; lookups are linear, which suits the
// handful of keys our records hold.
using Dictionary = std::vector<std::pair<std::string, Value>>;

// One property-list value. Strings are UTF-8.
struct Value {
    std::variant<bool, std::int64_t, double, Date, std::string, Bytes, Array, Dictionary> content;

    Value() : content(false) {}
    Value(bool v) : content(v) {}
    Value(int v) : content(std::int64_t{v}) {}
    Value(std::int64_t v) : content(v) {}
    Value(double v) : content(v) {}
    Value(Date v) : content(v) {}
    Value(std::string v) : content(std::move(v)) {}
    Value(const char* v) : content(std::string(v)) {}
    Value(Bytes v) : content(std::move(v)) {}
    Value(Array v) : content(std::move(v)) {}
    Value(Dictionary v) : content(std::move(v)) {}

    template <typename T> bool is() const { return std::holds_alternative<T>(content); }
    // The value as T, or nullptr when it holds another type.
    template <typename T> const T* as() const { return std::get_if<T>(&content); }

    friend bool operator==(const Value&, const Value&) = default;
};

// The first value stored under `key`, or nullptr.
const Value* find(const Dictionary& dictionary, std::string_view key);

// Raised for bytes that are not a well-formed binary property list, and for values that
// cannot be written (strings that are not valid UTF-8).
class PropertyListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `root` as a binary property list ("bplist00").
Bytes encode(const Value& root);

// Reads a binary property list from untrusted bytes. Throws PropertyListError for truncated
// input, offsets out of range, reference cycles, nesting deeper than 512 levels, unsupported
// object types, and for input that would expand past a bound proportional to its size.
Value decode(std::string_view bytes);
inline Value decode(const Bytes& bytes) {
    return decode(viewOf(bytes));
}

} // namespace snipstack::plist
