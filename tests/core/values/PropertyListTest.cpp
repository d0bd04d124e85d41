#include "core/values/PropertyList.h"

#include "core/values/Uuid.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <numeric>

namespace snipstack::plist {
namespace {

// The sample of tests/data/plistlib_check.py; keep the two identical.
Value sample() {
    Bytes everyByte(256);
    std::iota(everyByte.begin(), everyByte.end(), std::uint8_t{0});
    const Value same = Array{"same", bytesOf("same")};
    Dictionary root{
        {"ints", Array{0, 1, 15, 255, 256, 65535, 65536, INT64_C(1) << 31, INT64_C(0xFFFFFFFF),
                       INT64_C(1) << 32, INT64_C(1) << 40, -1, -255, INT64_MIN, INT64_MAX}},
        {"others", Array{"Hello, clipboard world", "Crème brûlée à la française", "剪贴板历史",
                         "📋 copied 👍🏽", "", true, false, -0.0, 0.1, 5e-324, HUGE_VAL, everyByte,
                         Bytes{}, Date{737646330.123456}, Date{-31622400.5}, Date{-3187295999.999999}}},
        {"nested", Array{Array{}, Dictionary{}, Value(Array{"leaf", Dictionary{{"ключ", "значение"}}})}},
        {"repeated", Array{same, same, "Crème", "Crème"}}};
    for (int i = 0; i < 16; ++i) {
        root.emplace_back("key " + std::to_string(i + 10), i * 1000);
    }
    return root;
}

// A file of hand-made objects with 1-byte offsets and references, object 0 on top.
Bytes assemble(const std::vector<Bytes>& objects) {
    Bytes file = bytesOf("bplist00");
    Bytes table;
    for (const Bytes& object : objects) {
        table.push_back(static_cast<std::uint8_t>(file.size()));
        file.insert(file.end(), object.begin(), object.end());
    }
    // Six unused bytes, the two widths, then 8-byte object count, top object and table offset.
    table.insert(table.end(),
                 {0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(objects.size()),
                  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(file.size())});
    file.insert(file.end(), table.begin(), table.end());
    return file;
}

TEST(PropertyListRoundTrip, KeepsEveryTypeBitForBitAndAgreesWithPlistlib) {
    const Bytes file = encode(sample());
    EXPECT_EQ(decode(file), sample());
    // Doubles and dates compare with ==, blind to the sign of zero; a second encoding is not.
    EXPECT_EQ(encode(decode(file)), file);
    // The script checks our file, then overwrites it with plistlib's, which shares repeated objects.
    const auto path = std::filesystem::temp_directory_path() / ("snipstack-" + Uuid::random().string());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    const std::string script = "\"" SNIPSTACK_PYTHON "\" \"" SNIPSTACK_TEST_DATA "/plistlib_check.py\" ";
    EXPECT_EQ(std::system((script + '"' + path.string() + '"').c_str()), 0);
    std::ifstream theirs(path, std::ios::binary);
    EXPECT_EQ(encode(decode(Bytes(std::istreambuf_iterator<char>(theirs), {}))), file);
    std::filesystem::remove(path);
}

TEST(PropertyListRoundTrip, KeepsFilesNeedingWideOffsetsAndReferences) {
    Array objects{Bytes(50 << 20, 0xA5)};
    for (int i = 0; i < 70000; ++i) {
        objects.push_back(i % 3 == 0 ? Value(std::to_string(i)) : Value(i));
    }
    EXPECT_EQ(decode(encode(objects)), Value(objects));
}

TEST(PropertyListEncode, RejectsInvalidUtf8) {
    for (auto text : {"\x80", "ok\xC3", "\xC0\xAF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_THROW(encode(text), PropertyListError) << text;
        EXPECT_THROW(encode(Dictionary{{text, 1}}), PropertyListError) << text;
    }
}

TEST(PropertyListDecode, ReadsNestingUpToTheLimitAndRejectsTruncatedOrMalformedInput) {
    const Bytes file = encode(sample());
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        EXPECT_THROW(decode(viewOf(file).substr(0, cut)), PropertyListError) << cut;
    }
    Value nested = Array{};
    for (int levels = 1; levels < 512; ++levels) {
        nested = Array{nested};
    }
    EXPECT_EQ(decode(encode(nested)), nested);
    EXPECT_EQ(decode(assemble({{0x22, 0x3F, 0xC0, 0, 0}})), Value(1.5)); // a 4-byte real, as others write
    std::vector<Bytes> bomb(60, Bytes{0xA0}); // each holding the next twice: 2^59 leaves
    for (std::uint8_t i = 1; i < 60; ++i) {
        bomb[i - 1] = {0xA2, i, i};
    }
    std::vector<Bytes> files = {
        // Nesting past the limit; a sharing bomb; non-ASCII in an ASCII string; lone or misplaced surrogates.
        encode(Array{nested}), assemble(bomb), assemble({{0x51, 0x80}}), assemble({{0x61, 0xD8, 0}}),
        assemble({{0x62, 0xDC, 0, 0xDC, 0}}), assemble({{0x62, 0xD8, 0x3D, 0, 0x41}}),
        // Integer key; cycle; reference, data, count past the end; real and 16-byte counts; 2^63 in 16 bytes.
        assemble({{0xD1, 1, 1}, {0x10, 1}}), assemble({{0xA1, 1}, {0xA1, 0}}), assemble({{0xA1, 0xFF}}),
        assemble({{0x45, 1, 2}}), assemble({{0x5F}}), assemble({{0x5F, 0x23}, Bytes(16, 0)}),
        assemble({{0x5F, 0x14}, Bytes(16, 0)}), assemble({{0x14}, Bytes(8, 0), {0x80}, Bytes(7, 0)})};
    // Counts whose byte size or end position wraps around, before bytes that would fit the wrapped size.
    for (const std::uint8_t marker : {0x4F, 0x5F, 0x6F, 0xAF, 0xDF}) {
        files.push_back(assemble({{marker, 0x13, 0x80, 0, 0, 0, 0, 0, 0, 1}, Bytes(16, 0)}));
        files.push_back(assemble({{marker, 0x13}, Bytes(8, 0xFF), Bytes(16, 0)}));
    }
    // Unsupported markers, with room for any payload.
    for (const std::uint8_t marker : {0x00, 0x0F, 0x15, 0x21, 0x24, 0x34, 0x70, 0x80, 0xC1, 0xF0}) {
        files.push_back(assemble({{marker}, Bytes(16, 0)}));
    }
    const Bytes good = encode(Array{1, "x"}); // objects at 8, 11 and 13, offsets at 15
    const std::size_t t = good.size() - 32;
    // Position and byte: the magic; trailer widths, object count, top object, table offset; object offsets.
    const std::size_t patches[] = {7,      '1',  t + 6,  0,    t + 6,  9,  t + 7,  0,
                                   t + 7,  9,    t + 15, 0,    t + 15, 4,  t + 8,  0x80,
                                   t + 23, 3,    t + 16, 0xFF, t + 31, 7,  t + 31, t + 1,
                                   t + 24, 0x80, 15,     0,    15,     15, 16,     0xFF};
    for (std::size_t i = 0; i < std::size(patches); i += 2) {
        files.push_back(good);
        files.back()[patches[i]] = static_cast<std::uint8_t>(patches[i + 1]);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_THROW(decode(files[i]), PropertyListError) << "file " << i;
    }
}

} // namespace
} // namespace snipstack::plist
