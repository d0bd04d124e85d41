#include "core/values/PropertyList.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace snipstack::plist {

const Value* find(const Dictionary& dictionary, std::string_view key) {
    for (const auto& [entryKey, value] : dictionary) {
        if (entryKey == key) {
            return &value;
        }
    }
    return nullptr;
}

namespace {

// One object of the file: a value, or a dictionary key, which is a string object of its own.
// Containers refer to their children as a run of consecutive object numbers from firstChild.
struct Entry {
    const Value* value = nullptr;
    const std::string* key = nullptr;
    std::uint64_t firstChild = 0;
};

void appendBigEndian(Bytes& out, std::uint64_t value, unsigned width) {
    for (unsigned i = width; i-- > 0;) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Readers commonly expect offsets and references of 1, 2, 4 or 8 bytes.
unsigned widthFor(std::uint64_t largest) {
    if (largest <= 0xFF) {
        return 1;
    }
    if (largest <= 0xFFFF) {
        return 2;
    }
    return largest <= 0xFFFFFFFF ? 4 : 8;
}

void writeInteger(Bytes& out, std::int64_t value) {
    // Only the 8-byte form is signed, so every negative number takes it.
    const unsigned width = value < 0 ? 8 : widthFor(static_cast<std::uint64_t>(value));
    out.push_back(static_cast<std::uint8_t>(0x10 | std::countr_zero(width)));
    appendBigEndian(out, static_cast<std::uint64_t>(value), width);
}

void writeMarker(Bytes& out, std::uint8_t type, std::size_t count) {
    if (count < 15) {
        out.push_back(static_cast<std::uint8_t>(type << 4 | count));
        return;
    }
    out.push_back(static_cast<std::uint8_t>(type << 4 | 0xF));
    writeInteger(out, static_cast<std::int64_t>(count));
}

[[noreturn]] void invalidUtf8() {
    throw PropertyListError("Property list string is not valid UTF-8");
}

std::u16string utf16Of(std::string_view text) {
    std::u16string units;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = 1;
        char32_t code = lead;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else if (lead >= 0x80) {
            invalidUtf8();
        }
        if (length > text.size() - i) {
            invalidUtf8();
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                invalidUtf8();
            }
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, encoded surrogates and code points past U+10FFFF.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            invalidUtf8();
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 | code >> 10));
            units.push_back(static_cast<char16_t>(0xDC00 | (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return units;
}

void writeString(Bytes& out, const std::string& text) {
    bool ascii = true;
    for (const char c : text) {
        ascii = ascii && static_cast<std::uint8_t>(c) < 0x80;
    }
    if (ascii) {
        writeMarker(out, 0x5, text.size());
        out.insert(out.end(), text.begin(), text.end());
        return;
    }
    const std::u16string units = utf16Of(text);
    writeMarker(out, 0x6, units.size());
    for (const char16_t unit : units) {
        appendBigEndian(out, unit, 2);
    }
}

struct ObjectWriter {
    Bytes& out;
    std::uint64_t firstChild;
    unsigned referenceWidth;

    void operator()(bool value) const { out.push_back(value ? 0x09 : 0x08); }
    void operator()(std::int64_t value) const { writeInteger(out, value); }
    void operator()(double value) const {
        out.push_back(0x23);
        appendBigEndian(out, std::bit_cast<std::uint64_t>(value), 8);
    }
    void operator()(Date value) const {
        out.push_back(0x33);
        appendBigEndian(out, std::bit_cast<std::uint64_t>(value.secondsSinceReferenceDate), 8);
    }
    void operator()(const std::string& value) const { writeString(out, value); }
    void operator()(const Bytes& value) const {
        writeMarker(out, 0x4, value.size());
        out.insert(out.end(), value.begin(), value.end());
    }
    void operator()(const Array& value) const {
        writeMarker(out, 0xA, value.size());
        writeReferences(value.size());
    }
    // Keys first, then values, each run in the dictionary's order.
    void operator()(const Dictionary& value) const {
        writeMarker(out, 0xD, value.size());
        writeReferences(2 * value.size());
    }

    void writeReferences(std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i) {
            appendBigEndian(out, firstChild + i, referenceWidth);
        }
    }
};

// Numbers objects breadth first, so each container's children get consecutive numbers.
std::vector<Entry> flatten(const Value& root) {
    std::vector<Entry> entries{{&root, nullptr, 0}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Value* value = entries[i].value;
        if (value == nullptr) {
            continue;
        }
        if (const auto* array = value->as<Array>()) {
            entries[i].firstChild = entries.size();
            for (const Value& element : *array) {
                entries.push_back({&element, nullptr, 0});
            }
        } else if (const auto* dictionary = value->as<Dictionary>()) {
            entries[i].firstChild = entries.size();
            for (const auto& [key, element] : *dictionary) {
                entries.push_back({nullptr, &key, 0});
            }
            for (const auto& [key, element] : *dictionary) {
                entries.push_back({&element, nullptr, 0});
            }
        }
    }
    return entries;
}

} // namespace

Bytes encode(const Value& root) {
    const std::vector<Entry> entries = flatten(root);
    const unsigned referenceWidth = widthFor(entries.size() - 1);

    Bytes out = bytesOf("bplist00");
    std::vector<std::uint64_t> offsets;
    offsets.reserve(entries.size());
    for (const Entry& entry : entries) {
        offsets.push_back(out.size());
        if (entry.key != nullptr) {
            writeString(out, *entry.key);
        } else {
            std::visit(ObjectWriter{out, entry.firstChild, referenceWidth}, entry.value->content);
        }
    }

    const std::uint64_t offsetTableOffset = out.size();
    const unsigned offsetWidth = widthFor(offsets.back());
    for (const std::uint64_t offset : offsets) {
        appendBigEndian(out, offset, offsetWidth);
    }
    out.insert(out.end(), 6, 0);
    out.push_back(static_cast<std::uint8_t>(offsetWidth));
    out.push_back(static_cast<std::uint8_t>(referenceWidth));
    appendBigEndian(out, entries.size(), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, offsetTableOffset, 8);
    return out;
}

} // namespace snipstack::plist
