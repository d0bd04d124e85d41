// Whether a key rotation of 5000 entries leaves the main thread free: while the model rotates on its
// worker, a 1 ms timer on the main thread notes the longest gap between its ticks, counted from just
// before rotateKey until the completion runs. That gap is the longest the panel would have frozen.
#include "app/model/AppModel.h"
#include "app/model/OpenOrCreateStore.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"
#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/store/InMemoryKeyVault.h"
#include "tests/support/MemoryPasteboard.h"

#include <QBuffer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <thread>

namespace {

using namespace snipstack;
using namespace snipstack::bench;

constexpr unsigned entryCount = 5000;

void BM_RotationMainThreadGap(benchmark::State& state) {
    TemporaryFolder folder;
    const fs::path base = folder.path / "Data";
    const QString preferencesPath = QString::fromStdString((folder.path / "Snipstack.ini").string());
    InMemoryKeyVault vault;
    fillStore(base, vault, entryCount);
    writeStartingPreferences(preferencesPath, static_cast<int>(entryCount));
    MemoryPasteboard pasteboard;
    testing::FakeWorkspace workspace;
    workspace.front = std::nullopt;
    NoUserInterface ui;
    const auto made = makeModel(preferencesPath, pasteboard, workspace, vault, ui, base);
    AppModel& model = *made;
    model.launch();
    if (model.items().size() != entryCount || !settle(model)) {
        state.SkipWithError("the history did not load");
        return;
    }

    std::vector<double> gaps;
    std::vector<double> durations;
    for (auto _ : state) {
        QEventLoop loop;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1ms);
        Clock::time_point last;
        Clock::duration longest{};
        const auto tick = [&] {
            const auto now = Clock::now();
            longest = std::max(longest, now - last);
            last = now;
        };
        QObject::connect(&ticker, &QTimer::timeout, tick);
        std::optional<bool> rotated;
        ticker.start();
        const auto started = Clock::now();
        last = started;
        model.rotateKey(false, [&](bool success) {
            tick();
            rotated = success;
            loop.quit();
        });
        // A refused rotation calls the completion before rotateKey returns.
        if (!rotated) {
            QTimer::singleShot(10min, &loop, &QEventLoop::quit);
            loop.exec();
        }
        const auto finished = Clock::now();
        if (!rotated || !*rotated) {
            state.SkipWithError("the rotation was refused or failed");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(finished - started).count());
        gaps.push_back(milliseconds(longest));
        durations.push_back(std::chrono::duration<double>(finished - started).count());
    }
    state.counters["median_longest_gap_ms"] = median(gaps);
    state.counters["worst_longest_gap_ms"] = gaps.empty() ? 0 : *std::ranges::max_element(gaps);
    state.counters["median_rotation_s"] = median(durations);
}
BENCHMARK(BM_RotationMainThreadGap)->UseManualTime()->Iterations(5)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    return snipstack::bench::runBenchmarks(argc, argv);
}
