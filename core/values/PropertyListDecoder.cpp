#include "core/values/PropertyList.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace snipstack::plist {

namespace {

constexpr std::string_view magic = "bplist00";
constexpr std::uint64_t trailerSize = 32;
constexpr std::size_t maxDepth = 512;
// Rough memory of one decoded value, charged against the expansion budget along with its payload.
constexpr std::uint64_t valueCost = 32;

[[noreturn]] void fail(const std::string& message) {
    throw PropertyListError(message);
}

[[noreturn]] void unsupported(std::uint8_t marker) {
    static constexpr char digits[] = "0123456789ABCDEF";
    fail(std::string("Property list contains an unsupported object (marker 0x") + digits[marker >> 4] +
         digits[marker & 0xF] + ")");
}

// At most 8 bytes.
std::uint64_t readBigEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (const char c : bytes) {
        value = value << 8 | static_cast<std::uint8_t>(c);
    }
    return value;
}

void appendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text.push_back(static_cast<char>(0xC0 | code >> 6));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | code >> 12));
        text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | code >> 18));
        text.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string utf8OfUtf16(std::string_view bigEndian) {
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(readBigEndian(bigEndian.substr(i, 2)));
    };
    std::string text;
    text.reserve(bigEndian.size());
    for (std::size_t i = 0; i < bigEndian.size(); i += 2) {
        char32_t code = unitAt(i);
        if (code >= 0xD800 && code <= 0xDFFF) {
            const char32_t low = i + 2 < bigEndian.size() ? unitAt(i + 2) : 0;
            if (code > 0xDBFF || low < 0xDC00 || low > 0xDFFF) {
                fail("Property list string contains an unpaired surrogate");
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(text, code);
    }
    return text;
}

class Decoder {
public:
    explicit Decoder(std::string_view bytes) : bytes_(bytes) {
        if (bytes.size() < magic.size() + trailerSize) {
            fail("Property list is truncated");
        }
        if (!bytes.starts_with(magic)) {
            fail("Data is not a binary property list (no bplist00 header)");
        }
        const std::uint64_t trailer = bytes.size() - trailerSize;
        offsetWidth_ = static_cast<std::uint8_t>(bytes[trailer + 6]);
        referenceWidth_ = static_cast<std::uint8_t>(bytes[trailer + 7]);
        objectCount_ = readBigEndian(bytes.substr(trailer + 8, 8));
        topObject_ = readBigEndian(bytes.substr(trailer + 16, 8));
        tableOffset_ = readBigEndian(bytes.substr(trailer + 24, 8));
        if (offsetWidth_ < 1 || offsetWidth_ > 8 || referenceWidth_ < 1 || referenceWidth_ > 8) {
            fail("Property list trailer has an invalid integer width");
        }
        if (tableOffset_ < magic.size() || tableOffset_ > trailer) {
            fail("Property list offset table lies outside the file");
        }
        if (objectCount_ == 0 || objectCount_ > (trailer - tableOffset_) / offsetWidth_) {
            fail("Property list object count does not fit its offset table");
        }
        if (topObject_ >= objectCount_) {
            fail("Property list top object is out of range");
        }
        // Shared references let a small file describe a huge tree; this caps what we build.
        constexpr std::uint64_t slack = 1 << 20;
        const std::uint64_t size = bytes.size();
        budget_ = size > (std::numeric_limits<std::uint64_t>::max() - slack) / 16
                      ? std::numeric_limits<std::uint64_t>::max()
                      : 16 * size + slack;
        onPath_.resize(objectCount_);
    }

    Value decodeTop() { return decodeObject(topObject_, 0); }

private:
    void charge(std::uint64_t cost) {
        if (cost > budget_) {
            fail("Property list expands beyond the size allowed for its input");
        }
        budget_ -= cost;
    }

    // Callers keep position within the object area, so the subtraction cannot wrap.
    std::string_view take(std::uint64_t& position, std::uint64_t count, std::uint64_t unitSize) {
        if (count > (tableOffset_ - position) / unitSize) {
            fail("Property list is truncated");
        }
        const std::string_view bytes = bytes_.substr(position, count * unitSize);
        position += bytes.size();
        return bytes;
    }

    std::uint64_t objectOffset(std::uint64_t reference) const {
        const std::uint64_t entry = tableOffset_ + reference * offsetWidth_;
        const std::uint64_t offset = readBigEndian(bytes_.substr(entry, offsetWidth_));
        if (offset < magic.size() || offset >= tableOffset_) {
            fail("Property list object offset out of range");
        }
        return offset;
    }

    std::uint64_t referenceAt(std::string_view references, std::uint64_t index) const {
        const std::uint64_t reference =
            readBigEndian(references.substr(index * referenceWidth_, referenceWidth_));
        if (reference >= objectCount_) {
            fail("Property list object reference out of range");
        }
        return reference;
    }

    // Counts of 15 and more follow the marker as an integer object.
    std::uint64_t readCount(std::uint64_t& position, unsigned info) {
        if (info != 0xF) {
            return info;
        }
        const auto marker = static_cast<std::uint8_t>(take(position, 1, 1)[0]);
        if (marker >> 4 != 0x1 || (marker & 0xF) > 3) {
            fail("Property list object has an invalid length");
        }
        return readBigEndian(take(position, 1, 1u << (marker & 0xF)));
    }

    std::int64_t readInteger(std::uint64_t& position, std::uint8_t marker) {
        const unsigned info = marker & 0xF;
        if (info < 4) {
            // 1, 2 and 4 bytes are unsigned; 8 bytes are two's complement.
            return static_cast<std::int64_t>(readBigEndian(take(position, 1, 1u << info)));
        }
        if (info != 4) {
            unsupported(marker);
        }
        const std::string_view wide = take(position, 1, 16);
        const std::uint64_t high = readBigEndian(wide.substr(0, 8));
        const std::uint64_t low = readBigEndian(wide.substr(8));
        if (high != (low >> 63 == 0 ? 0 : std::numeric_limits<std::uint64_t>::max())) {
            fail("Property list integer does not fit in 64 bits");
        }
        return static_cast<std::int64_t>(low);
    }

    std::string readString(std::uint64_t& position, std::uint8_t marker) {
        const std::uint64_t count = readCount(position, marker & 0xF);
        if (marker >> 4 == 0x5) {
            const std::string_view text = take(position, count, 1);
            charge(text.size());
            for (const char c : text) {
                if (static_cast<std::uint8_t>(c) >= 0x80) {
                    fail("Property list ASCII string contains a non-ASCII byte");
                }
            }
            return std::string(text);
        }
        const std::string_view units = take(position, count, 2);
        charge(units.size());
        return utf8OfUtf16(units);
    }

    std::string decodeKey(std::uint64_t reference) {
        std::uint64_t position = objectOffset(reference);
        const auto marker = static_cast<std::uint8_t>(bytes_[position++]);
        if (marker >> 4 != 0x5 && marker >> 4 != 0x6) {
            fail("Property list dictionary key is not a string");
        }
        charge(valueCost);
        return readString(position, marker);
    }

    Value decodeContainer(std::uint64_t reference, std::uint64_t position, std::uint8_t marker,
                          std::size_t depth) {
        if (depth >= maxDepth) {
            fail("Property list nests deeper than 512 levels");
        }
        if (onPath_[reference]) {
            fail("Property list contains a reference cycle");
        }
        onPath_[reference] = true;
        const std::uint64_t count = readCount(position, marker & 0xF);
        Value result;
        if (marker >> 4 == 0xA) {
            const std::string_view references = take(position, count, referenceWidth_);
            Array array;
            for (std::uint64_t i = 0; i < count; ++i) {
                array.push_back(decodeObject(referenceAt(references, i), depth + 1));
            }
            result = Value(std::move(array));
        } else {
            const std::string_view references = take(position, count, 2 * referenceWidth_);
            Dictionary dictionary;
            for (std::uint64_t i = 0; i < count; ++i) {
                std::string key = decodeKey(referenceAt(references, i));
                dictionary.emplace_back(std::move(key),
                                        decodeObject(referenceAt(references, count + i), depth + 1));
            }
            result = Value(std::move(dictionary));
        }
        onPath_[reference] = false;
        return result;
    }

    Value decodeObject(std::uint64_t reference, std::size_t depth) {
        std::uint64_t position = objectOffset(reference);
        const auto marker = static_cast<std::uint8_t>(bytes_[position++]);
        charge(valueCost);
        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09) {
                return Value(marker == 0x09);
            }
            break;
        case 0x1:
            return Value(readInteger(position, marker));
        case 0x2:
            if (marker == 0x22) {
                const auto bits = static_cast<std::uint32_t>(readBigEndian(take(position, 1, 4)));
                return Value(static_cast<double>(std::bit_cast<float>(bits)));
            }
            if (marker == 0x23) {
                return Value(std::bit_cast<double>(readBigEndian(take(position, 1, 8))));
            }
            break;
        case 0x3:
            if (marker == 0x33) {
                return Value(Date{std::bit_cast<double>(readBigEndian(take(position, 1, 8)))});
            }
            break;
        case 0x4: {
            const std::uint64_t count = readCount(position, marker & 0xF);
            const std::string_view data = take(position, count, 1);
            charge(data.size());
            return Value(Bytes(data.begin(), data.end()));
        }
        case 0x5:
        case 0x6:
            return Value(readString(position, marker));
        case 0xA:
        case 0xD:
            return decodeContainer(reference, position, marker, depth);
        default:
            break;
        }
        unsupported(marker);
    }

    std::string_view bytes_;
    unsigned offsetWidth_ = 0;
    unsigned referenceWidth_ = 0;
    std::uint64_t objectCount_ = 0;
    std::uint64_t topObject_ = 0;
    std::uint64_t tableOffset_ = 0;
    std::uint64_t budget_ = 0;
    // Containers being decoded on the current path, to catch cycles.
    std::vector<bool> onPath_;
};

} // namespace

Value decode(std::string_view bytes) {
    return Decoder(bytes).decodeTop();
}

} // namespace snipstack::plist
