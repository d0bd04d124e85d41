#include "core/model/ClipCoding.h"
#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "tests/core/store/StoreTestSupport.h"

#include <algorithm>
#include <cstdlib>

namespace snipstack {
namespace {

using namespace testing;
using Entry = std::pair<ClipItem, std::pair<ClipPayload, std::optional<Bytes>>>;

// Debian's python3-cryptography is importable by the system interpreter only, not by one first on PATH.
const std::string python = "/usr/bin/python3";
const std::string script = python + " '" SNIPSTACK_TEST_DATA "/store_interop.py' ";

// Dictionaries in key order, as plistlib writes them, so that both sides compare equal.
plist::Value sorted(plist::Value value) {
    if (auto* array = std::get_if<plist::Array>(&value.content)) {
        std::ranges::transform(*array, array->begin(), sorted);
    } else if (auto* dictionary = std::get_if<plist::Dictionary>(&value.content)) {
        std::ranges::for_each(*dictionary,
                              [](auto& entry) { entry.second = sorted(std::move(entry.second)); });
        std::ranges::sort(*dictionary, {}, &plist::Dictionary::value_type::first);
    }
    return value;
}

// The exchange form of store_interop.py: the manifest, and per entry its records' plaintext.
plist::Dictionary contents(const DiskStore& store, const std::vector<Entry>& entries) {
    plist::Dictionary result{{"manifest", plist::decode(store.manifest().encode())}};
    for (const auto& [item, records] : entries) {
        plist::Dictionary entry{{"meta", storedForm(item)}, {"blob", storedForm(records.first)}};
        if (records.second)
            entry.emplace_back("thumb", *records.second);
        result.emplace_back(item.id.string(), std::move(entry));
    }
    return std::get<plist::Dictionary>(sorted(std::move(result)).content);
}

// What the script printed, or nothing when it failed (its message goes to stderr).
std::optional<plist::Dictionary> runScript(const std::string& arguments, const fs::path& out) {
    if (std::system((script + arguments + " > '" + out.string() + "'").c_str()) != 0)
        return std::nullopt;
    return std::get<plist::Dictionary>(sorted(plist::decode(contentOf(out))).content);
}

// Compared entry by entry as booleans: payloads are too large to print.
void expectSame(const plist::Dictionary& ours, const plist::Dictionary& theirs) {
    ASSERT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 0; i < ours.size(); ++i)
        EXPECT_TRUE(ours[i] == theirs[i]) << ours[i].first << " differs";
}

struct InteropTest : TempFolderTest {
    void SetUp() override {
        if (std::system((python + " -c 'import cryptography' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << python << " cannot import cryptography: install Debian's python3-cryptography";
    }
    const StoreLayout layout{dir / "B"};
    // The script's last arguments: the store's base folder and the file holding its key.
    const std::string paths = " '" + layout.base().string() + "' '" + (dir / "key").string() + "'";
};

TEST_F(InteropTest, OpensStoresWrittenIndependently) {
    for (Cipher cipher : allCiphers) {
        SCOPED_TRACE(rawValue(cipher));
        const auto theirs = runScript("write " + std::string(rawValue(cipher)) + paths, dir / "out");
        ASSERT_TRUE(theirs);
        const SymmetricKey key(bytesOf(contentOf(dir / "key")));
        DiskBackend backend(DiskStore::open(layout, layout.currentStoreID().value_or(""), key));
        std::vector<Entry> entries;
        for (const ClipItem& item : backend.loadItems())
            entries.push_back({item, {backend.loadPayload(item.id), backend.loadThumbnail(item.id)}});
        expectSame(contents(backend.store(), entries), *theirs);
    }
}

TEST_F(InteropTest, IndependentReaderOpensOurStores) {
    const SymmetricKey noise = SymmetricKey::random(300 * 1024);
    const Bytes png(noise.bytes().begin(), noise.bytes().end());
    const std::string text = "Grüße aus Köln – 剪贴板 📋 e\u0301";
    // Every optional field present, then none; quarter seconds survive plistlib's microseconds exactly.
    const std::vector<Entry> entries{
        {{Uuid::random(), Date{737'000'000.25}, Date{737'000'001.5}, ClipKind::image, text, "Straße 12",
          "Éditeur", "org.example.editor", true, contentHash(text), 307'305, 4032, 3024, true},
         {ClipPayload{{{"public.png", png}, {"public.utf8-plain-text", bytesOf(text)}, {"public.url", {}}}},
          Bytes(png.begin(), png.begin() + 4096)}},
        {{Uuid::random(), Date{-86'400.75}, Date{0}, ClipKind::file, "", std::nullopt, std::nullopt,
          std::nullopt, false, contentHash(""), 0, std::nullopt, std::nullopt, false},
         {ClipPayload{}, std::nullopt}}};
    for (Cipher cipher : allCiphers) {
        SCOPED_TRACE(rawValue(cipher));
        fs::remove_all(layout.base());
        const SymmetricKey key = makeKey(cipher);
        DiskBackend backend(DiskStore::create(layout, key, "KEY", cipher, Date{737'000'000.125}));
        layout.setCurrent(backend.store().manifest().storeID);
        for (const auto& [item, records] : entries) {
            backend.savePayload(records.first, records.second, item.id);
            backend.saveItem(item);
        }
        put(dir / "key", std::string(key.bytes().begin(), key.bytes().end()));
        const auto theirs = runScript("read" + paths, dir / "out");
        ASSERT_TRUE(theirs) << "the independent reader rejected our store; its message is above";
        expectSame(contents(backend.store(), entries), *theirs);
    }
}

} // namespace
} // namespace snipstack
