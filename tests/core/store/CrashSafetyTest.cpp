#include "core/model/ClipCoding.h"
#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/model/History.h"
#include "core/store/KeyRotator.h"
#include "core/store/StoreFiles.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace snipstack {
namespace {

namespace fs = std::filesystem;

// Keys as files outside the store folder: they outlive a killed child, as the real key store does.
class FileKeyVault final : public KeyVault {
public:
    explicit FileKeyVault(fs::path folder) : folder_(std::move(folder)) { createPrivateDirectories(folder_); }

    void store(const SymmetricKey& key, const std::string& id, bool) override {
        writeAtomically({reinterpret_cast<const char*>(key.bytes().data()), key.size()}, folder_ / id);
    }
    std::optional<SymmetricKey> load(const std::string& id) override {
        const auto bytes = readFile(folder_ / id);
        return bytes ? std::optional<SymmetricKey>(SymmetricKey(*bytes)) : std::nullopt;
    }
    void deleteKey(const std::string& id) override {
        beforeDelete();
        std::error_code ignored;
        fs::remove(folder_ / id, ignored);
    }
    std::set<std::string> ids() const {
        std::set<std::string> ids;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            ids.insert(entry.path().filename().string());
        }
        std::erase_if(ids, [](const std::string& name) { return name.starts_with('.'); });
        return ids;
    }

    std::function<void()> beforeDelete = [] {};

private:
    fs::path folder_;
};

DiskStore openLive(const StoreLayout& layout, KeyVault& vault) {
    const auto id = layout.currentStoreID();
    const auto manifest = id ? layout.manifest(*id) : std::nullopt;
    const auto key = manifest ? vault.load(manifest->keyID) : std::nullopt;
    if (!key) {
        throw std::runtime_error("no live store whose key is in the vault");
    }
    return DiskStore::open(layout, *id, *key);
}

// Every entry is rebuilt from the seed in its text, so the parent checks each entry it finds byte
// for byte, whether the child reported it or was killed right after writing it.
ClipDraft draftFor(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    auto bytes = [&](std::size_t size) {
        Bytes data(size);
        std::generate(data.begin(), data.end(), [&] { return static_cast<std::uint8_t>(random()); });
        return data;
    };
    ClipDraft draft;
    draft.kind = static_cast<ClipKind>(seed % 3);
    draft.text = "clip " + std::to_string(seed);
    draft.contentHash = contentHash(draft.text);
    draft.payload.representations = {{"public.data", bytes(random() % 40 ? 1 + random() % 4096 : 1 << 20)}};
    if (random() % 2) {
        draft.payload.representations.push_back({"public.utf8-plain-text", bytesOf(draft.text)});
    }
    if (draft.kind == ClipKind::image) {
        draft.thumbnail = bytes(1 + random() % 2048);
    }
    return draft;
}

// Parking points: the four rotation stages, then the old key's deletion after the old store's wipe.
constexpr int oldKeyDeletion = 4;

// Adds entries (deleting the oldest beyond 30) and rotates now and then. Reports, one short write
// per line so that a kill never cuts one: "S" once started, "C id seed" once add returned,
// "D id" before a delete, "K" when parked at `parkAt`.
[[noreturn]] void runChild(const fs::path& root, int out, std::uint64_t seed, std::optional<int> parkAt) {
    auto say = [&](const std::string& line) {
        [[maybe_unused]] auto _ = ::write(out, line.data(), line.size());
    };
    ::alarm(60); // never outlive a parent that stopped watching
    try {
        const StoreLayout layout(root / "base");
        FileKeyVault vault(root / "keys");
        auto backend = std::make_shared<DiskBackend>(openLive(layout, vault));
        History history(backend, History::maxItemsLimit);
        auto park = [&] {
            say("K\n");
            for (;;) {
                ::pause();
            }
        };
        KeyRotator rotator;
        rotator.hook = [&](RotationStage stage) {
            if (parkAt == static_cast<int>(stage)) {
                park();
            }
            if (parkAt == oldKeyDeletion && stage == RotationStage::pointerFlipped) {
                vault.beforeDelete = park;
            }
        };
        std::mt19937_64 random(seed);
        say("S\n");
        for (std::uint64_t n = 0;; ++n) {
            if (parkAt ? n == 3 : random() % 8 == 0) {
                const Cipher cipher = allCiphers[random() % allCiphers.size()];
                backend = std::make_shared<DiskBackend>(
                    rotator.rotate(layout, vault, backend->store(), false, cipher, Date::now()));
                history.setBackend(backend);
            }
            if (history.items().size() >= 30) {
                say("D " + history.items().back().id.string() + "\n");
                history.deleteItem(history.items().back().id);
            }
            const ClipItem item = history.add(draftFor(seed + n), Date::now());
            say("C " + item.id.string() + " " + std::to_string(seed + n) + "\n");
        }
    } catch (const std::exception& error) {
        say(std::string("E ") + error.what() + "\n");
    }
    ::_exit(3);
}

struct Leftovers {
    std::size_t temporariesInStore = 0, mostInStore = 0, temporariesElsewhere = 0, orphanThumbs = 0;
};

// What the next start sees: recover, open the live store, load the history.
void checkAfterCrash(const StoreLayout& layout, FileKeyVault& vault, std::map<Uuid, std::uint64_t>& expected,
                     Leftovers& leftovers) {
    KeyRotator::recover(layout, vault);
    ASSERT_EQ(std::distance(fs::directory_iterator(layout.storesDirectory()), fs::directory_iterator()), 1);
    ASSERT_EQ(layout.storeIDs().size(), 1u);
    ASSERT_EQ(layout.currentStoreID(), layout.storeIDs().front());
    const DiskStore store = openLive(layout, vault);
    for (const std::string& keyID : vault.ids()) {
        if (keyID != store.manifest().keyID) {
            ADD_FAILURE() << "the vault still holds key " << keyID << ", which belongs to no store";
            vault.deleteKey(keyID); // so that each stray key is reported once
        }
    }

    // Before loading repairs anything: no record may be torn, no entry may lack its payload.
    const auto blobs = store.ids(RecordKind::blob);
    for (RecordKind kind : allRecordKinds) {
        for (const Uuid& id : store.ids(kind)) {
            try {
                const Bytes plaintext = store.read(kind, id);
                if (kind == RecordKind::meta) {
                    decodeClipItem(viewOf(plaintext));
                } else if (kind == RecordKind::blob) {
                    decodeClipPayload(viewOf(plaintext));
                }
            } catch (const std::exception& error) {
                ADD_FAILURE() << rawValue(kind) << " record " << id.string()
                              << " is damaged: " << error.what();
            }
            EXPECT_TRUE(kind != RecordKind::meta || blobs.contains(id)) << id.string() << " has no payload";
        }
    }

    History history(std::make_shared<DiskBackend>(store), History::maxItemsLimit);
    std::map<Uuid, std::uint64_t> found;
    for (const ClipItem& item : history.items()) {
        const std::uint64_t seed = std::stoull(item.text.substr(5));
        const ClipDraft draft = draftFor(seed);
        // Compared as booleans: a failure must not print a megabyte.
        EXPECT_TRUE(item.kind == draft.kind && item.contentHash == draft.contentHash &&
                    item.byteCount == draft.payload.byteCount() &&
                    history.payload(item.id) == draft.payload &&
                    history.thumbnail(item.id) == draft.thumbnail)
            << "entry " << item.id.string() << " differs from what was added";
        found.emplace(item.id, seed);
    }
    for (const auto& [id, seed] : expected) {
        EXPECT_TRUE(found.contains(id) && found[id] == seed)
            << "committed entry " << id.string() << " is lost";
    }
    expected = std::move(found); // whatever is there now, committed or caught in flight, must stay
    EXPECT_EQ(store.ids(RecordKind::blob), store.ids(RecordKind::meta));

    // Leftovers the store never reads: counted, not failed on.
    leftovers.orphanThumbs = 0;
    for (const Uuid& id : store.ids(RecordKind::thumb)) {
        leftovers.orphanThumbs += !expected.contains(id);
    }
    leftovers.temporariesInStore = leftovers.temporariesElsewhere = 0;
    for (const auto& entry : fs::recursive_directory_iterator(layout.base().parent_path())) {
        if (entry.path().filename().string().starts_with('.') && entry.path().extension() == ".tmp") {
            ++(entry.path().parent_path().parent_path() == store.directory()
                   ? leftovers.temporariesInStore
                   : leftovers.temporariesElsewhere);
        }
    }
    leftovers.mostInStore = std::max(leftovers.mostInStore, leftovers.temporariesInStore);
}

TEST(CrashSafetyTest, KilledWritersAndRotationsLoseNothingCommitted) {
    const auto started = std::chrono::steady_clock::now();
    const fs::path root = fs::temp_directory_path() / ("snipstack-crash-" + Uuid::random().string());
    const std::shared_ptr<void> removeRoot(nullptr, [&](void*) {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    });
    const StoreLayout layout(root / "base");
    FileKeyVault vault(root / "keys");
    const SymmetricKey firstKey = makeKey(Cipher::aes256GCM);
    const std::string firstKeyID = Uuid::random().string();
    vault.store(firstKey, firstKeyID, false);
    layout.setCurrent(
        DiskStore::create(layout, firstKey, firstKeyID, Cipher::aes256GCM, Date::now()).manifest().storeID);
    const std::uint64_t master = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(master));
    std::mt19937_64 random(master);
    std::map<Uuid, std::uint64_t> expected;
    Leftovers leftovers;

    // 40 kills at random moments; every ninth round instead one parked at the next parking point.
    for (std::uint64_t round = 0; round < 45 && !HasFatalFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto parkAt = round % 9 == 8 ? std::optional<int>(static_cast<int>(round / 9)) : std::nullopt;
        const auto liveBefore = layout.currentStoreID();
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            runChild(root, fds[1], master + (round << 24), parkAt);
        }
        ::close(fds[1]);
        FILE* reports = ::fdopen(fds[0], "r");
        std::string childError;
        // Takes reports up to `marker`, or all of them; false at the end of the reports.
        auto readUntil = [&](const char* marker) {
            for (char line[512]; std::fgets(line, sizeof line, reports);) {
                line[std::strcspn(line, "\n")] = 0;
                std::istringstream words(line);
                std::string tag, id;
                std::uint64_t seed = 0;
                words >> tag >> id >> seed;
                if (tag == marker) {
                    return true;
                }
                if (tag == "C") {
                    expected[*Uuid::parse(id)] = seed;
                } else if (tag == "D") {
                    expected.erase(*Uuid::parse(id));
                } else if (tag == "E") {
                    childError = line;
                }
            }
            return false;
        };
        const bool reached = pid > 0 && readUntil("S") && (!parkAt || readUntil("K"));
        if (reached && !parkAt) {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 30'001));
        }
        int status = 0;
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        readUntil("");
        std::fclose(reports);
        ASSERT_TRUE(reached && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "child failed: " << childError;

        ASSERT_NO_FATAL_FAILURE(checkAfterCrash(layout, vault, expected, leftovers));
        if (parkAt) {
            // Until the pointer flips the old store stays live; from then on the new one.
            EXPECT_EQ(layout.currentStoreID() == liveBefore,
                      *parkAt < static_cast<int>(RotationStage::pointerFlipped));
        }
    }
    std::cout << "[          ] " << expected.size()
              << " entries; hidden temporary files: " << leftovers.temporariesInStore
              << " in the live store (at most " << leftovers.mostInStore << "), "
              << leftovers.temporariesElsewhere
              << " beside the pointer and keys; thumbnails without entry: " << leftovers.orphanThumbs << "; "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() << " s\n";
}

} // namespace
} // namespace snipstack
