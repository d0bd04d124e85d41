// Costs of the encrypted store, each beside the raw cost of the disk underneath measured in the
// same run: crash-safe writes, loading a history of 5000 entries and rotating a whole store.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/model/History.h"
#include "core/store/InMemoryKeyVault.h"
#include "core/store/KeyRotator.h"
#include "core/store/StoreFiles.h"

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
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) || ::fsync(fd) != 0) {
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
    return DiskStore::create(StoreLayout(base), makeKey(cipher), Uuid::random().string(), cipher, Date::now());
}

void BM_RawCrashSafeWrite(benchmark::State& state) {
    TemporaryFolder folder;
    const Bytes data = randomBytes(static_cast<std::size_t>(state.range(0)), 1);
    for (auto _ : state) {
        rawCrashSafeWrite(folder.path / "record", data);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_DiskStoreWrite(benchmark::State& state) {
    TemporaryFolder folder;
    const DiskStore store = newStore(folder.path);
    const Bytes data = randomBytes(static_cast<std::size_t>(state.range(0)), 1);
    const Uuid id = Uuid::random();
    for (auto _ : state) {
        store.write(viewOf(data), RecordKind::blob, id);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RawCrashSafeWrite)->Arg(200)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
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

// The baseline for an add: the payload and the entry written crash-safely, nothing else.
void BM_RawTwoCrashSafeWrites(benchmark::State& state) {
    TemporaryFolder folder;
    const Bytes payload = randomBytes(300, 2);
    const Bytes meta = randomBytes(400, 3);
    for (auto _ : state) {
        rawCrashSafeWrite(folder.path / "blob", payload);
        rawCrashSafeWrite(folder.path / "meta", meta);
    }
}

void BM_HistoryAddToDisk(benchmark::State& state) {
    TemporaryFolder folder;
    History history(std::make_shared<DiskBackend>(newStore(folder.path)), History::maxItemsLimit);
    unsigned seed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const ClipDraft draft = textDraft(200, ++seed);
        state.ResumeTiming();
        history.add(draft, Date::now());
    }
}
BENCHMARK(BM_RawTwoCrashSafeWrites)->Unit(benchmark::kMillisecond);
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

void BM_RawListAndReadEntries(benchmark::State& state) {
    const DiskStore& store = filledStore().store;
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& entry : fs::directory_iterator(store.directory() / "blob")) {
            benchmark::DoNotOptimize(entry.path());
        }
        for (const auto& entry : fs::directory_iterator(store.directory() / "meta")) {
            bytes += readFile(entry.path())->size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_LoadHistoryFromDisk(benchmark::State& state) {
    const DiskStore& store = filledStore().store;
    for (auto _ : state) {
        History history(std::make_shared<DiskBackend>(store), History::maxItemsLimit);
        if (history.items().size() != 5000) {
            state.SkipWithError("entries went missing");
        }
    }
}
BENCHMARK(BM_RawListAndReadEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadHistoryFromDisk)->Unit(benchmark::kMillisecond);

// The floor of a rotation: write every record crash-safely once and read them all three times.
void BM_RawRotationFloor(benchmark::State& state) {
    const DiskStore& store = filledStore().store;
    for (auto _ : state) {
        TemporaryFolder target;
        for (RecordKind kind : allRecordKinds) {
            fs::create_directories(target.path / rawValue(kind));
            for (const Uuid& id : store.ids(kind)) {
                const Bytes record = *readFile(store.recordURL(kind, id));
                rawCrashSafeWrite(target.path / rawValue(kind) / id.string(), record);
                benchmark::DoNotOptimize(readFile(store.recordURL(kind, id)));
                benchmark::DoNotOptimize(readFile(target.path / rawValue(kind) / id.string()));
            }
        }
    }
}

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
    for (auto _ : state) {
        current = KeyRotator().rotate(layout, vault, current, false, std::nullopt, Date::now());
    }
}
BENCHMARK(BM_RawRotationFloor)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond);
BENCHMARK(BM_RotateStore)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond);

} // namespace
