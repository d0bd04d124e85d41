// Start-up over an encrypted history of 5000 entries, from the process starting until the history
// is ready. Each iteration runs this program again with --launch-child: the child sets up the model
// as the application does, launches it and prints one line once its list holds every entry. The
// time runs from just before the spawn until the parent reads that line, so it includes loading the
// program and its libraries; the counters split it at the child's main. The store is read from a
// warm page cache, as after any earlier run of the program.
#include "app/model/AppModel.h"
#include "app/model/OpenOrCreateStore.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"
#include "bench/Timing.h"
#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/store/StoreFiles.h"
#include "tests/support/MemoryPasteboard.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace snipstack;
using namespace snipstack::bench;

constexpr std::string_view childFlag = "--launch-child";
constexpr unsigned entryCount = 5000;

// What the parent prepares and the child opens, all under one folder.
struct Paths {
    fs::path base;
    fs::path preferences;
    fs::path keys;

    explicit Paths(const fs::path& folder)
        : base(folder / "Data"), preferences(folder / "Snipstack.ini"), keys(folder / "Keys") {}
};

// Bench only: keeps each key unprotected in a file of its own, so that the key the parent stored
// opens the store in the child, which the in-memory vault cannot do and the keyring need not.
class FileKeyVault final : public KeyVault {
public:
    explicit FileKeyVault(fs::path folder) : folder_(std::move(folder)) {}

    void store(const SymmetricKey& key, const std::string& id, bool) override {
        fs::create_directories(folder_);
        std::ofstream file(folder_ / id, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(key.bytes().data()),
                   static_cast<std::streamsize>(key.size()));
        if (!file) {
            throw std::runtime_error("could not store the key");
        }
    }

    std::optional<SymmetricKey> load(const std::string& id) override {
        const auto bytes = readFile(folder_ / id);
        return bytes ? std::optional(SymmetricKey(*bytes)) : std::nullopt;
    }

    void deleteKey(const std::string& id) override { fs::remove(folder_ / id); }

private:
    fs::path folder_;
};

// A base folder with the history, its key and preferences that start straight into it.
struct PreparedStore {
    TemporaryFolder folder;
    Paths paths{folder.path};

    PreparedStore() {
        FileKeyVault vault(paths.keys);
        fillStore(paths.base, vault, entryCount);
        writeStartingPreferences(QString::fromStdString(paths.preferences.string()),
                                 static_cast<int>(entryCount));
    }
};

std::int64_t ticks(Clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

// The child: the application's start-up with fakes for the desktop. Prints the steady-clock
// times at main, after the Qt application and once ready; Linux shares that clock between processes.
int runChild(Clock::time_point entered, char** argv) {
    static int argc = 1;
    QGuiApplication application(argc, argv);
    const auto applicationReady = Clock::now();
    const Paths paths(argv[2]);
    const auto expected = static_cast<std::size_t>(std::stoul(argv[3]));
    MemoryPasteboard pasteboard;
    testing::FakeWorkspace workspace;
    workspace.front = std::nullopt;
    FileKeyVault vault(paths.keys);
    NoUserInterface ui;
    const auto made = makeModel(QString::fromStdString(paths.preferences.string()), pasteboard, workspace,
                                vault, ui, paths.base);
    AppModel& model = *made;
    const auto reportWhenReady = [&] {
        if (model.items().size() < expected) {
            return;
        }
        std::printf("%lld %lld %lld %zu\n", static_cast<long long>(ticks(entered)),
                    static_cast<long long>(ticks(applicationReady)),
                    static_cast<long long>(ticks(Clock::now())), model.items().size());
        std::fflush(stdout);
        // Tearing the model down is no part of start-up.
        std::_Exit(0);
    };
    QObject::connect(&model, &AppModel::itemsChanged, reportWhenReady);
    model.launch();
    reportWhenReady();
    QTimer::singleShot(10s, [&] {
        std::fprintf(stderr, "not ready: %zu entries, locked %d, error %s\n", model.items().size(),
                     model.isLocked(), model.storageError().value_or("none").toUtf8().constData());
        std::_Exit(1);
    });
    return application.exec();
}

// One start of the child over `folder`; the times in nanoseconds, or nothing when it failed.
struct ChildRun {
    std::int64_t spawned = 0;
    std::int64_t entered = 0;
    std::int64_t applicationReady = 0;
    std::int64_t ready = 0;
    std::size_t items = 0;
    std::int64_t lineRead = 0;
};

std::optional<ChildRun> startChild(const fs::path& folder) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    const std::string self = "/proc/self/exe";
    const std::string flag(childFlag);
    const std::string folderArgument = folder.string();
    const std::string count = std::to_string(entryCount);
    std::array<char*, 5> arguments{const_cast<char*>(self.c_str()), const_cast<char*>(flag.c_str()),
                                   const_cast<char*>(folderArgument.c_str()),
                                   const_cast<char*>(count.c_str()), nullptr};
    ChildRun run;
    pid_t pid = 0;
    run.spawned = ticks(Clock::now());
    const int spawnError = posix_spawn(&pid, self.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    std::string line;
    for (char c = 0; spawnError == 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n';) {
        line += c;
    }
    run.lineRead = ticks(Clock::now());
    ::close(pipe[0]);
    int status = 0;
    if (spawnError != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    std::istringstream fields(line);
    fields >> run.entered >> run.applicationReady >> run.ready >> run.items;
    return fields ? std::optional(run) : std::nullopt;
}

double milliseconds(std::int64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / 1e6;
}

void BM_StartupWith5000Entries(benchmark::State& state) {
    static const PreparedStore prepared;
    // The first start after writing the store pays for loading the program from disk.
    if (!startChild(prepared.folder.path)) {
        state.SkipWithError("the child did not start");
        return;
    }
    std::vector<double> total;
    std::vector<double> beforeMain;
    std::vector<double> inChild;
    std::vector<double> model;
    for (auto _ : state) {
        const auto run = startChild(prepared.folder.path);
        if (!run || run->items != entryCount) {
            state.SkipWithError("the child did not load the history");
            break;
        }
        state.SetIterationTime(static_cast<double>(run->lineRead - run->spawned) / 1e9);
        total.push_back(milliseconds(run->lineRead - run->spawned));
        beforeMain.push_back(milliseconds(run->entered - run->spawned));
        inChild.push_back(milliseconds(run->ready - run->entered));
        model.push_back(milliseconds(run->ready - run->applicationReady));
    }
    // The model share runs from the Qt application being up: preferences, model, launch.
    state.counters["median_total_ms"] = median(total);
    state.counters["median_before_main_ms"] = median(beforeMain);
    state.counters["median_main_to_ready_ms"] = median(inChild);
    state.counters["median_model_ms"] = median(model);
}
BENCHMARK(BM_StartupWith5000Entries)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const auto entered = Clock::now();
    if (argc == 4 && std::string_view(argv[1]) == childFlag) {
        return runChild(entered, argv);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    return snipstack::bench::runBenchmarks(argc, argv);
}
