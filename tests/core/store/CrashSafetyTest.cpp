#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/model/History.h"
#include "core/store/KeyRotator.h"
#include "core/store/StoreFiles.h"
#include "tests/core/store/StoreTestSupport.h"

#include <algorithm>
#include <map>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace snipstack {
namespace {

using namespace testing;

// Keys as files outside the store folder: they outlive a killed child, as the real key store does.
struct FileKeyVault final : KeyVault {
    explicit FileKeyVault(fs::path folder) : folder(std::move(folder)) {}
    void store(const SymmetricKey& key, const std::string& id, bool) override {
        writeAtomically({reinterpret_cast<const char*>(key.bytes().data()), key.size()}, folder / id);
    }
    std::optional<SymmetricKey> load(const std::string& id) override {
        const auto bytes = readFile(folder / id);
        return bytes ? std::optional(SymmetricKey(*bytes)) : std::nullopt;
    }
    void deleteKey(const std::string& id) override {
        beforeDelete();
        fs::remove(folder / id);
    }
    const fs::path folder;
    std::function<void()> beforeDelete = [] {};
};

DiskStore openLive(const StoreLayout& layout, KeyVault& vault) {
    const std::string id = layout.currentStoreID().value();
    return DiskStore::open(layout, id, vault.load(layout.manifest(id).value().keyID).value());
}

// Every entry is rebuilt from the seed in its text, so the parent checks each entry it finds byte
// for byte, whether the child reported it or was killed right after writing it.
ClipDraft draftFor(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    ClipDraft draft;
    draft.kind = static_cast<ClipKind>(seed % 3);
    draft.text = "clip " + std::to_string(seed);
    draft.contentHash = contentHash(draft.text);
    draft.payload.representations = {{"public.data", Bytes(random() % 40 ? 1 + random() % 4096 : 1 << 20)}};
    std::ranges::generate(draft.payload.representations[0].data, [&] { return std::uint8_t(random()); });
    draft.thumbnail = draft.kind == ClipKind::image ? std::optional(bytesOf(draft.text)) : std::nullopt;
    return draft;
}

// Adds entries, deleting the oldest beyond 8, and rotates now and then, or once to park at a rotation
// stage (0-3) or just before the old key is deleted (4). Reports by one atomic pipe write each, so a
// kill never cuts one: 'K' once parked, 'C' and the seed once an entry is added, 'D' and its seed
// before it is deleted. Never returns: an error ends it through std::terminate, which prints it.
void runChild(const fs::path& root, int out, std::uint64_t seed, std::optional<int> parkAt) noexcept {
    auto say = [&](std::uint64_t tag, std::uint64_t n = 0) {
        const std::uint64_t report[] = {tag, n};
        [[maybe_unused]] auto _ = ::write(out, report, sizeof report);
    };
    ::alarm(60); // never outlive a parent that stopped watching
    const StoreLayout layout(root / "base");
    FileKeyVault vault(root / "keys");
    auto backend = std::make_shared<DiskBackend>(openLive(layout, vault));
    History history(backend, History::maxItemsLimit);
    auto park = [&] {
        say('K');
        ::pause();
    };
    vault.beforeDelete = parkAt == 4 ? std::function<void()>(park) : [] {};
    KeyRotator rotator{[&](RotationStage stage) { parkAt == static_cast<int>(stage) ? park() : void(); }};
    std::mt19937_64 random(seed);
    for (std::uint64_t n = seed;; ++n) {
        if (parkAt ? n == seed + 3 : random() % 4 == 0) {
            auto next =
                rotator.rotate(layout, vault, backend->store(), false, allCiphers[n % 3], Date::now());
            history.setBackend(backend = std::make_shared<DiskBackend>(next));
        }
        if (history.items().size() >= 8) {
            say('D', std::stoull(history.items().back().text.substr(5)));
            history.deleteItem(history.items().back().id);
        }
        history.add(draftFor(n), Date::now());
        say('C', n);
    }
}

struct CrashSafetyTest : TempFolderTest {};

TEST_F(CrashSafetyTest, KilledWritersAndRotationsLoseNothingCommitted) {
    const StoreLayout layout(dir / "base");
    FileKeyVault vault(dir / "keys");
    createPrivateDirectories(vault.folder);
    liveStore(layout, vault, Cipher::aes256GCM, Date::now());
    const std::uint64_t master = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(master));
    std::mt19937_64 random(master);
    // Seeds of entries that must be there (false: being deleted, may be or not).
    std::map<std::uint64_t, bool> committed;
    // 25 kills at random moments; every sixth round instead one parked at the next parking point.
    for (std::uint64_t round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto parkAt = round % 6 == 5 ? std::optional<int>(round / 6) : std::nullopt;
        const auto liveBefore = layout.currentStoreID();
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            runChild(dir, fds[1], master + (round << 24), parkAt);
        ::close(fds[1]);
        auto readReports = [&] {
            std::uint64_t report[2] = {};
            while (::read(fds[0], report, sizeof report) == sizeof report && report[0] != 'K')
                committed[report[1]] = report[0] == 'C';
            return report[0] == 'K';
        };
        const bool parked = parkAt && readReports();
        ::usleep(parkAt ? 0 : 2'000 + random() % 50'000);
        int status = 0;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        readReports();
        ::close(fds[0]);
        ASSERT_TRUE(parked == parkAt.has_value() && WIFSIGNALED(status) &&
                    WTERMSIG(status) == SIGKILL); // a failed child printed why

        // What the next start sees: exactly one store, named by the pointer, only its key in the vault
        // (openLive loads it), every record opening, no temporary file, every committed entry intact.
        KeyRotator::recover(layout, vault);
        ASSERT_EQ(layout.storeIDs(), std::vector<std::string>{layout.currentStoreID().value_or("")});
        const DiskStore store = openLive(layout, vault);
        ASSERT_EQ(std::ranges::count_if(treeOf(vault.folder), [](auto& name) { return name[0] != '.'; }), 1);
        for (RecordKind kind : allRecordKinds)
            for (const Uuid& id : store.ids(kind))
                EXPECT_NO_THROW(store.read(kind, id)) << rawValue(kind) << " " << id.string();
        for (const std::string& path : treeOf(layout.base()))
            EXPECT_FALSE(path.ends_with(".tmp")) << path;
        History history(std::make_shared<DiskBackend>(store), History::maxItemsLimit);
        std::map<std::uint64_t, bool> found;
        for (const ClipItem& item : history.items()) {
            const ClipDraft draft = draftFor(std::stoull(item.text.substr(5)));
            found[std::stoull(item.text.substr(5))] = true;
            EXPECT_TRUE(item.contentHash == draft.contentHash && history.payload(item.id) == draft.payload &&
                        history.thumbnail(item.id) == draft.thumbnail)
                << item.text; // compared as booleans: a failure must not print a megabyte
        }
        for (const auto& [seed, mustStay] : committed)
            ASSERT_TRUE(!mustStay || found.contains(seed)) << "committed entry " << seed << " is lost";
        committed = std::move(found); // whatever is there now must stay
        EXPECT_TRUE(!parkAt || (layout.currentStoreID() == liveBefore) == (*parkAt < 3)); // flips at stage 3
    }
}

} // namespace
} // namespace snipstack
