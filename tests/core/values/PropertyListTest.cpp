#include "core/values/PropertyList.h"

#include "core/values/Uuid.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace snipstack::plist {
namespace {

using Limits = std::numeric_limits<std::int64_t>;

// The sample of tests/data/plistlib_check.py; keep the two identical.
Value sample() {
    Bytes everyByte;
    for (int i = 0; i < 256; ++i) {
        everyByte.push_back(static_cast<std::uint8_t>(i));
    }
    Dictionary sixteen;
    for (int i = 0; i < 16; ++i) {
        sixteen.emplace_back((i < 10 ? "key 0" : "key ") + std::to_string(i), i * 1000);
    }
    const Dictionary leaf{{"key", "value"}, {"ключ", "значение"}};
    return Dictionary{
        {"ascii", "Hello, clipboard world"},
        {"accents", "Crème brûlée à la française"},
        {"cjk", "剪贴板历史"},
        {"emoji", "📋 copied 👍🏽"},
        {"empty string", ""},
        {"bytes", everyByte},
        {"empty bytes", Bytes{}},
        {"ints", Array{0, 1, 14, 15, 255, 256, 65535, 65536, std::int64_t{1} << 31, std::int64_t{0xFFFFFFFF},
                       std::int64_t{1} << 32, std::int64_t{1} << 40, -1, -255, Limits::min(), Limits::max()}},
        {"floats", Array{-0.0, 0.1, -2.5, 1e300, 5e-324, std::numeric_limits<double>::infinity()}},
        {"bools", Array{true, false}},
        {"dates", Array{Date{737646330.123456}, Date{0}, Date{-31622400.5}, Date{-992490140},
                        Date{-3187295999.999999}}},
        {"nested", Dictionary{{"empty array", Array{}},
                              {"empty dict", Dictionary{}},
                              {"deep", Array{Value(Array{Value(Array{"leaf", leaf})})}}}},
        {"sixteen", sixteen},
        {"repeated", Array{"same", "same", "same", "Crème", "Crème", bytesOf("same"), bytesOf("same")}},
    };
}

std::uint64_t bitsOf(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// A file of hand-made objects with 2-byte references and offsets, object 0 on top.
Bytes assemble(const std::vector<Bytes>& objects) {
    Bytes file = bytesOf("bplist00");
    const auto append = [&](std::uint64_t value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    std::vector<std::uint64_t> offsets;
    for (const Bytes& object : objects) {
        offsets.push_back(file.size());
        file.insert(file.end(), object.begin(), object.end());
    }
    const std::uint64_t tableOffset = file.size();
    for (const std::uint64_t offset : offsets) {
        append(offset, 2);
    }
    file.insert(file.end(), {0, 0, 0, 0, 0, 0, 2, 2});
    append(objects.size(), 8);
    append(0, 8);
    append(tableOffset, 8);
    return file;
}

// Arrays `levels` deep, each holding the next one `copies` times.
std::vector<Bytes> chain(int levels, int copies) {
    std::vector<Bytes> objects;
    for (int i = 1; i < levels; ++i) {
        Bytes array{static_cast<std::uint8_t>(0xA0 | copies)};
        for (int k = 0; k < copies; ++k) {
            array.insert(array.end(), {static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
        }
        objects.push_back(array);
    }
    objects.push_back({0xA0});
    return objects;
}

TEST(PropertyListRoundTrip, KeepsNestedSample) {
    const Value value = sample();
    EXPECT_EQ(decode(encode(value)), value);
}

TEST(PropertyListRoundTrip, KeepsDatesAndDoublesBitForBit) {
    for (const double seconds : {737646330.123456, -992490139.75, -0.0, 1e-9, 5e-324, 2.2250738585072009e-308,
                                 -std::numeric_limits<double>::infinity()}) {
        const Value decoded = decode(encode(Array{Date{seconds}, seconds}));
        const Array& both = *decoded.as<Array>();
        EXPECT_EQ(bitsOf(both.at(0).as<Date>()->secondsSinceReferenceDate), bitsOf(seconds)) << seconds;
        EXPECT_EQ(bitsOf(*both.at(1).as<double>()), bitsOf(seconds)) << seconds;
    }
}

TEST(PropertyListRoundTrip, WidensOffsetsAndReferencesForLargeFiles) {
    Bytes large(50 << 20);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i * 131 % 251);
    }
    const Array largeThenTail{large, "tail"};
    const Bytes bigFile = encode(largeThenTail);
    EXPECT_EQ(bigFile[bigFile.size() - 26], 4);
    EXPECT_EQ(decode(bigFile), Value(largeThenTail));

    Array many;
    for (int i = 0; i < 70000; ++i) {
        many.push_back(i % 3 == 0 ? Value(std::to_string(i)) : Value(i));
    }
    const Bytes manyFile = encode(many);
    EXPECT_EQ(manyFile[manyFile.size() - 25], 4);
    EXPECT_EQ(decode(manyFile), Value(many));
}

TEST(PropertyListEncode, RejectsInvalidUtf8) {
    for (const char* text :
         {"\x80", "ok\xC3", "\xC0\xAF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        EXPECT_THROW(encode(text), PropertyListError) << text;
        EXPECT_THROW(encode(Dictionary{{text, 1}}), PropertyListError) << text;
    }
}

TEST(PropertyListDecode, ReadsIntegerWidthsFloatsAndSharedObjects) {
    EXPECT_EQ(decode(assemble({{0x12, 0xFF, 0xFF, 0xFF, 0xFF}})), Value(std::int64_t{0xFFFFFFFF}));
    EXPECT_EQ(decode(assemble({{0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}})), Value(-1));
    Bytes wide(17, 0xFF);
    wide[0] = 0x14;
    EXPECT_EQ(decode(assemble({wide})), Value(-1));
    std::fill(wide.begin() + 1, wide.begin() + 9, 0);
    wide[9] = 0x7F;
    EXPECT_EQ(decode(assemble({wide})), Value(Limits::max()));
    EXPECT_EQ(decode(assemble({{0x22, 0x3F, 0xC0, 0, 0}})), Value(1.5));
    EXPECT_EQ(decode(assemble({{0xA3, 0, 1, 0, 1, 0, 1}, {0x54, 's', 'a', 'm', 'e'}})),
              Value(Array{"same", "same", "same"}));
    EXPECT_NO_THROW(decode(assemble(chain(512, 1))));
}

TEST(PropertyListDecode, RejectsTruncationAtEveryCut) {
    const Bytes file = encode(sample());
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        EXPECT_THROW(decode(viewOf(file).substr(0, cut)), PropertyListError) << cut;
    }
}

TEST(PropertyListDecode, RejectsCorruptHeaderAndTrailer) {
    const Bytes good = encode(Array{1, "x"});
    ASSERT_NO_THROW(decode(good));
    const std::size_t trailer = good.size() - 32;
    const auto patched = [&](std::size_t at, std::uint64_t value, int width) {
        Bytes file = good;
        for (int i = 0; i < width; ++i) {
            file[at + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
        }
        return file;
    };
    const std::uint64_t huge = std::uint64_t{1} << 63;
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"magic bplist01", patched(7, '1', 1)},
        {"offset width 0", patched(trailer + 6, 0, 1)},
        {"offset width 9", patched(trailer + 6, 9, 1)},
        {"reference width 0", patched(trailer + 7, 0, 1)},
        {"reference width 9", patched(trailer + 7, 9, 1)},
        {"no objects", patched(trailer + 8, 0, 8)},
        {"more objects than offsets", patched(trailer + 8, 4, 8)},
        {"object count 2^63", patched(trailer + 8, huge, 8)},
        {"top object past the count", patched(trailer + 16, 3, 8)},
        {"top object 2^64 - 1", patched(trailer + 16, ~std::uint64_t{0}, 8)},
        {"offset table in the header", patched(trailer + 24, 7, 8)},
        {"offset table in the trailer", patched(trailer + 24, trailer + 1, 8)},
        {"offset table at 2^63", patched(trailer + 24, huge, 8)},
        {"object in the header", patched(15, 0, 1)},
        {"object in the offset table", patched(15, 15, 1)},
        {"object past the file", patched(16, 0xFF, 1)},
    };
    for (const auto& [what, file] : cases) {
        EXPECT_THROW(decode(file), PropertyListError) << what;
    }
}

TEST(PropertyListDecode, RejectsMalformedObjects) {
    const std::vector<std::pair<const char*, std::vector<Bytes>>> cases = {
        {"null", {{0x00}}},
        {"UID", {{0x80, 0}}},
        {"set", {{0xC1, 0, 0}}},
        {"reserved type", {{0x70}}},
        {"16-byte real", {{0x24, 0, 0, 0, 0, 0, 0, 0, 0}}},
        {"16-byte date", {{0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}},
        {"32-byte integer", {{0x15}}},
        {"16-byte integer past int64", {{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0}}},
        {"ASCII string with byte 0x80", {{0x51, 0x80}}},
        {"lone high surrogate", {{0x61, 0xD8, 0x00}}},
        {"low surrogate before a low surrogate", {{0x62, 0xDC, 0x00, 0xDC, 0x00}}},
        {"high surrogate before a letter", {{0x62, 0xD8, 0x3D, 0x00, 0x41}}},
        {"integer key", {{0xD1, 0, 1, 0, 1}, {0x10, 1}}},
        {"array count 2^63 - 1", {{0xAF, 0x13, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}},
        {"data count 2^64 - 1", {{0x4F, 0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}},
        {"UTF-16 count whose byte size wraps", {{0x6F, 0x13, 0x80, 0, 0, 0, 0, 0, 0, 1}}},
        {"dictionary count whose reference size wraps", {{0xDF, 0x13, 0x40, 0, 0, 0, 0, 0, 0, 0}}},
        {"count that is a real", {{0x5F, 0x23, 0, 0, 0, 0, 0, 0, 0, 0}}},
        {"missing count", {{0x5F}}},
        {"data past the object area", {{0x45, 1, 2}}},
        {"reference past the object count", {{0xA1, 0xFF, 0xFF}}},
        {"array cycle", {{0xA1, 0, 1}, {0xA1, 0, 0}}},
        {"dictionary holding itself", {{0xD1, 0, 1, 0, 0}, {0x51, 'k'}}},
        {"513 levels of arrays", chain(513, 1)},
        {"2^59 leaves from 60 objects", chain(60, 2)},
    };
    for (const auto& [what, objects] : cases) {
        EXPECT_THROW(decode(assemble(objects)), PropertyListError) << what;
    }
    // Cycles are caught as such, not only once they pass the depth limit.
    const Bytes cycle = assemble({{0xD1, 0, 1, 0, 0}, {0x51, 'k'}});
    EXPECT_THAT([&] { decode(cycle); },
                testing::ThrowsMessage<PropertyListError>(testing::HasSubstr("cycle")));
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PropertyListPlistlib, ReadsOursAndWeReadTheirs) {
    const auto directory = std::filesystem::temp_directory_path();
    const auto ours = directory / ("snipstack-ours-" + Uuid::random().string() + ".bplist");
    const auto theirs = directory / ("snipstack-theirs-" + Uuid::random().string() + ".bplist");
    const Bytes encoded = encode(sample());
    std::ofstream(ours, std::ios::binary)
        .write(reinterpret_cast<const char*>(encoded.data()), encoded.size());

    const std::string script =
        std::string("\"") + SNIPSTACK_PYTHON + "\" \"" SNIPSTACK_TEST_DATA "/plistlib_check.py\" ";
    EXPECT_EQ(std::system((script + "check \"" + ours.string() + "\"").c_str()), 0);
    EXPECT_EQ(std::system((script + "write \"" + theirs.string() + "\"").c_str()), 0);
    EXPECT_EQ(decode(readFile(theirs)), sample());
    std::filesystem::remove(ours);
    std::filesystem::remove(theirs);
}

} // namespace
} // namespace snipstack::plist
