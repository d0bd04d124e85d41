#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/model/History.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace snipstack {
namespace {

namespace fs = std::filesystem;

// Debian's python3-cryptography is importable by the system interpreter only, not by one first on PATH.
constexpr const char* python = "/usr/bin/python3";

// The line format of store_interop.py: strings and bytes as "x" + hex, dates as the bits of their
// double, absent fields as "-".
std::string hex(std::string_view bytes, const char* prefix = "x") {
    std::string text = prefix;
    for (unsigned char c : bytes) {
        text += "0123456789abcdef"[c >> 4];
        text += "0123456789abcdef"[c & 15];
    }
    return text;
}
std::string hex(const Bytes& bytes) {
    return hex(viewOf(bytes));
}
std::string hexOrAbsent(const std::optional<std::string>& text) {
    return text ? hex(*text) : "-";
}
std::string numberOrAbsent(const std::optional<std::int64_t>& n) {
    return n ? std::to_string(*n) : "-";
}

std::string bits(Date date) {
    std::uint64_t value;
    std::memcpy(&value, &date.secondsSinceReferenceDate, sizeof value);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string describe(const StoreManifest& m) {
    return "manifest " + m.storeID + " " + m.keyID + " " + std::string(rawValue(m.cipher)) + " " +
           std::to_string(m.version) + " " + bits(m.createdAt);
}

void describe(std::vector<std::string>& lines, const ClipItem& item, const ClipPayload& payload,
              const std::optional<Bytes>& thumbnail) {
    const std::string id = item.id.string();
    lines.push_back("item " + id + " " + std::string(rawValue(item.kind)) + " " + bits(item.createdAt) + " " +
                    bits(item.lastUsedAt) + " " + hex(item.text) + " " + hexOrAbsent(item.ocrText) + " " +
                    hexOrAbsent(item.sourceAppName) + " " + hexOrAbsent(item.sourceBundleID) + " " +
                    (item.isPinned ? "1 " : "0 ") + hex(item.contentHash) + " " +
                    std::to_string(item.byteCount) + " " + numberOrAbsent(item.imageWidth) + " " +
                    numberOrAbsent(item.imageHeight) + " " +
                    (item.hasRichPreview ? (*item.hasRichPreview ? "1" : "0") : "-"));
    for (std::size_t i = 0; i < payload.representations.size(); ++i) {
        const auto& [type, data] = payload.representations[i];
        lines.push_back("rep " + id + " " + std::to_string(i) + " " + hex(type) + " " + hex(data));
    }
    if (thumbnail) {
        lines.push_back("thumb " + id + " " + hex(*thumbnail));
    }
}

// The script's output lines, or nothing when it fails (its message goes to stderr).
std::optional<std::vector<std::string>> runScript(const std::string& arguments) {
    const std::string command =
        std::string(python) + " '" SNIPSTACK_TEST_DATA "/store_interop.py' " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::vector<std::string> lines;
    char* line = nullptr;
    std::size_t capacity = 0;
    for (ssize_t length; pipe && (length = ::getline(&line, &capacity, pipe)) > 0;) {
        lines.emplace_back(line, length - (line[length - 1] == '\n'));
    }
    std::free(line);
    return pipe && ::pclose(pipe) == 0 ? std::optional(lines) : std::nullopt;
}

// Order-free comparison; a difference is shown cut short, since payload lines are long.
void expectSameLines(std::vector<std::string> ours, std::vector<std::string> theirs) {
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    const auto [a, b] = std::mismatch(ours.begin(), ours.end(), theirs.begin(), theirs.end());
    if (a != ours.end() || b != theirs.end()) {
        ADD_FAILURE() << "first difference:\n  ours:  " << (a == ours.end() ? "(none)" : a->substr(0, 300))
                      << "\n  theirs: " << (b == theirs.end() ? "(none)" : b->substr(0, 300));
    }
}

struct InteropTest : ::testing::Test {
    void SetUp() override {
        const std::string probe =
            std::string(python) + " -c 'import cryptography.hazmat.primitives.ciphers.aead'";
        if (std::system((probe + " 2>/dev/null").c_str()) != 0) {
            GTEST_SKIP() << python << " cannot import cryptography: install Debian's python3-cryptography";
        }
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }
    const fs::path base = fs::temp_directory_path() / ("snipstack-interop-" + Uuid::random().string());
};

TEST_F(InteropTest, OpensStoresWrittenIndependently) {
    for (Cipher cipher : allCiphers) {
        SCOPED_TRACE(rawValue(cipher));
        fs::remove_all(base);
        auto theirs = runScript("write '" + base.string() + "' " + std::string(rawValue(cipher)));
        ASSERT_TRUE(theirs && !theirs->empty() && theirs->front().starts_with("key "));
        std::string word, keyID, keyHex;
        std::istringstream(theirs->front()) >> word >> keyID >> keyHex;
        theirs->erase(theirs->begin());
        Bytes key;
        for (std::size_t i = 0; i + 1 < keyHex.size(); i += 2) {
            key.push_back(static_cast<std::uint8_t>(std::stoi(keyHex.substr(i, 2), nullptr, 16)));
        }

        const StoreLayout layout(base);
        const DiskStore store =
            DiskStore::open(layout, layout.currentStoreID().value_or(""), SymmetricKey(key));
        EXPECT_EQ(store.manifest().keyID, keyID);
        History history(std::make_shared<DiskBackend>(store), History::maxItemsLimit);
        std::vector<std::string> ours{describe(store.manifest())};
        for (const auto& item : history.items()) {
            describe(ours, item, history.payload(item.id), history.thumbnail(item.id));
        }
        expectSameLines(ours, *theirs);
    }
}

TEST_F(InteropTest, IndependentReaderOpensOurStores) {
    std::mt19937 random(7);
    auto randomBytes = [&](std::size_t size) {
        Bytes bytes(size);
        std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<std::uint8_t>(random()); });
        return bytes;
    };
    const std::string accented = "Grüße aus Köln – 剪贴板 📋 e\u0301";
    std::vector<ClipDraft> drafts(4);
    const ClipKind kinds[] = {ClipKind::text, ClipKind::image, ClipKind::file, ClipKind::text};
    const char* texts[] = {accented.c_str(), "Image 4032 × 3024", "rapport.pdf", ""};
    for (std::size_t i = 0; i < drafts.size(); ++i) {
        drafts[i].kind = kinds[i];
        drafts[i].text = texts[i];
        drafts[i].contentHash = contentHash(drafts[i].text);
    }
    drafts[0].payload.representations = {{"public.utf8-plain-text", bytesOf(accented)}};
    drafts[0].sourceAppName = "Éditeur";
    drafts[0].sourceBundleID = "org.example.editor";
    drafts[1].payload.representations = {{"public.png", randomBytes(300 * 1024)},
                                         {"public.tiff", randomBytes(100)}};
    drafts[1].thumbnail = randomBytes(4096);
    drafts[1].imageWidth = 4032;
    drafts[1].imageHeight = 3024;
    drafts[2].payload.representations = {{"public.file-url", bytesOf("file:///tmp/r%C3%A9")}};
    // Quarter seconds survive plistlib's conversion to microsecond datetimes exactly.
    const Date dates[] = {Date{737'000'000.25}, Date{737'000'001.5}, Date{-86'400.75}, Date{0}};

    for (Cipher cipher : allCiphers) {
        SCOPED_TRACE(rawValue(cipher));
        fs::remove_all(base);
        const StoreLayout layout(base);
        const SymmetricKey key = makeKey(cipher);
        const DiskStore store =
            DiskStore::create(layout, key, Uuid::random().string(), cipher, Date{737'000'000.125});
        layout.setCurrent(store.manifest().storeID);
        History history(std::make_shared<DiskBackend>(store), History::maxItemsLimit);
        std::map<Uuid, std::pair<ClipPayload, std::optional<Bytes>>> written;
        std::vector<Uuid> ids;
        for (std::size_t i = 0; i < drafts.size(); ++i) {
            ids.push_back(history.add(drafts[i], dates[i]).id);
            written[ids.back()] = {drafts[i].payload, drafts[i].thumbnail};
        }
        history.setPinned(true, ids[0]);
        history.setOCRText("Straße 12", ids[1]);
        const Bytes preview = randomBytes(1500);
        history.setRichPreview(preview, ids[2]);
        written[ids[2]].second = preview;
        history.setRichPreview(std::nullopt, ids[3]);

        std::vector<std::string> ours{describe(store.manifest())};
        for (const auto& item : history.items()) {
            describe(ours, item, written[item.id].first, written[item.id].second);
        }
        const auto theirs =
            runScript("read '" + base.string() + "' " +
                      hex({reinterpret_cast<const char*>(key.bytes().data()), key.size()}, ""));
        ASSERT_TRUE(theirs) << "the independent reader rejected our store; its message is above";
        expectSameLines(ours, *theirs);
    }
}

} // namespace
} // namespace snipstack
