// Costs of the encrypted store, each beside the raw cost of the disk underneath measured in the
// same run: crash-safe writes, loading a history of 5000 entries and rotating a whole store.
#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/model/History.h"
#include "core/store/InMemoryKeyVault.h"
#include "core/store/KeyRotator.h"
#include "core/store/StoreFiles.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>

using namespace snipstack;
namespace fs = std::filesystem;

namespace {

struct TemporaryFolder {
    fs::path path = fs::temp_directory_path() / ("snipstack-bench-" + Uuid::random().string());
    TemporaryFolder() { fs::create_directories(path); }
    ~TemporaryFolder() { fs::remove_all(path); }
};

// What any crash-safe write costs: create, write, fsync, rename.
void rawCrashSafeWrite(const fs::path& target, const Bytes& data) {
    const fs::path temporary = target.parent_path() / ".raw.tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) ||
        ::fsync(fd) != 0) {
        std::abort();
    }
    ::close(fd);
    ::rename(temporary.c_str(), target.c_str());
}

Bytes randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

DiskStore newStore(const fs::path& base, Cipher cipher = Cipher::aes256GCM) {
    return DiskStore::create(StoreLayout(base), makeKey(cipher), Uuid::random().string(), cipher,
                             Date::now());
}

// Fsync times on shared disks swing by an order of magnitude from one second to the next, so
// every figure is measured alternately with its raw counterpart inside the same iterations and
// reported as a ratio of the two totals.
template <typename Raw, typename Ours>
void measurePaired(benchmark::State& state, Raw&& rawWork, Ours&& ourWork) {
    const auto seconds = [](auto& work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double raw = 0;
    double ours = 0;
    bool rawFirst = true;
    for (auto _ : state) {
        if (rawFirst) {
            raw += seconds(rawWork);
            ours += seconds(ourWork);
        } else {
            ours += seconds(ourWork);
            raw += seconds(rawWork);
        }
        rawFirst = !rawFirst;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["raw_ms"] = raw / n * 1e3;
    state.counters["ours_ms"] = ours / n * 1e3;
    state.counters["ratio"] = ours / raw;
}

void BM_DiskStoreWrite(benchmark::State& state) {
    TemporaryFolder folder;
    const DiskStore store = newStore(folder.path);
    const Bytes data = randomBytes(static_cast<std::size_t>(state.range(0)), 1);
    const Uuid id = Uuid::random();
    measurePaired(
        state, [&] { rawCrashSafeWrite(folder.path / "record", data); },
        [&] { store.write(viewOf(data), RecordKind::blob, id); });
}
BENCHMARK(BM_DiskStoreWrite)->Arg(200)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

ClipDraft textDraft(std::size_t size, unsigned seed) {
    ClipDraft draft;
    draft.text.resize(size);
    std::mt19937 random(seed);
    for (auto& c : draft.text) {
        c = static_cast<char>('a' + random() % 26);
    }
    draft.payload.representations.push_back({"public.utf8-plain-text", bytesOf(draft.text)});
    draft.contentHash = contentHash(bytesOf(draft.text));
    return draft;
}

// An add against its floor: the payload and the entry written crash-safely, nothing else.
void BM_HistoryAddToDisk(benchmark::State& state) {
    TemporaryFolder folder;
    History history(std::make_shared<DiskBackend>(newStore(folder.path)), History::maxItemsLimit);
    const Bytes payload = randomBytes(300, 2);
    const Bytes meta = randomBytes(400, 3);
    std::vector<ClipDraft> drafts;
    for (unsigned seed = 0; seed < 20'000; ++seed) {
        drafts.push_back(textDraft(200, seed));
    }
    std::size_t next = 0;
    measurePaired(
        state,
        [&] {
            rawCrashSafeWrite(folder.path / "blob", payload);
            rawCrashSafeWrite(folder.path / "meta", meta);
        },
        [&] { history.add(drafts[next++ % drafts.size()], Date::now()); });
}
BENCHMARK(BM_HistoryAddToDisk)->Unit(benchmark::kMillisecond);

// A store of 5000 entries, written once per process (10,000 fsyncs take a while).
struct FilledStore {
    TemporaryFolder folder;
    DiskStore store = newStore(folder.path);

    FilledStore() {
        History history(std::make_shared<DiskBackend>(store), History::maxItemsLimit);
        for (unsigned i = 0; i < 5000; ++i) {
            // Mixed sizes: mostly snippets, some larger texts, a few big ones.
            const std::size_t size = i % 500 == 0 ? 256 * 1024 : i % 20 == 0 ? 16 * 1024 : 200;
            history.add(textDraft(size, i), Date{double(i)});
        }
    }
};

const FilledStore& filledStore() {
    static FilledStore filled;
    return filled;
}

// Loading at start against listing the record folders and reading the same files.
void BM_LoadHistoryFromDisk(benchmark::State& state) {
    const DiskStore& store = filledStore().store;
    measurePaired(
        state,
        [&] {
            std::size_t bytes = 0;
            for (const auto& entry : fs::directory_iterator(store.directory() / "blob")) {
                benchmark::DoNotOptimize(entry.path());
            }
            for (const auto& entry : fs::directory_iterator(store.directory() / "meta")) {
                bytes += readFile(entry.path())->size();
            }
            benchmark::DoNotOptimize(bytes);
        },
        [&] {
            History history(std::make_shared<DiskBackend>(store), History::maxItemsLimit);
            if (history.items().size() != 5000) {
                state.SkipWithError("entries went missing");
            }
        });
}
BENCHMARK(BM_LoadHistoryFromDisk)->Unit(benchmark::kMillisecond);

// A rotation against its floor: every record written crash-safely once and read three times.
void BM_RotateStore(benchmark::State& state) {
    TemporaryFolder folder;
    const StoreLayout layout(folder.path);
    InMemoryKeyVault vault;
    // Rotate a private copy so the shared store stays as it is.
    fs::copy(filledStore().folder.path, folder.path, fs::copy_options::recursive);
    const DiskStore& source = filledStore().store;
    DiskStore current = DiskStore::open(layout, source.manifest().storeID, source.sealer().key());
    vault.store(current.sealer().key(), current.manifest().keyID, false);
    layout.setCurrent(current.manifest().storeID);
    measurePaired(
        state,
        [&] {
            TemporaryFolder target;
            for (RecordKind kind : allRecordKinds) {
                fs::create_directories(target.path / rawValue(kind));
                for (const Uuid& id : current.ids(kind)) {
                    const Bytes record = *readFile(current.recordURL(kind, id));
                    rawCrashSafeWrite(target.path / rawValue(kind) / id.string(), record);
                    benchmark::DoNotOptimize(readFile(current.recordURL(kind, id)));
                    benchmark::DoNotOptimize(readFile(target.path / rawValue(kind) / id.string()));
                }
            }
        },
        [&] { current = KeyRotator().rotate(layout, vault, current, false, std::nullopt, Date::now()); });
}
BENCHMARK(BM_RotateStore)->Iterations(2)->Unit(benchmark::kSecond);

} // namespace
