// A capture's whole path in the model: from another program (xclip) copying a text until the
// model lists the new entry at the top, against a private Xvfb. By then the entry is written to the
// encrypted store, fsync included, and the oldest of the 500 entries has made room for it. The time
// runs from xclip's start; a counter gives the median from the moment a watcher saw the owner change
// (polled every 0.2 ms, so that one errs on the short side).
#include "app/model/AppModel.h"
#include "app/model/OpenOrCreateStore.h"
#include "app/system/clipboard/SystemPasteboard.h"
#include "app/system/desktop/X11Workspace.h"
#include "bench/ClipboardOwnerWatch.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"
#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "core/store/InMemoryKeyVault.h"
#include "tests/support/Xvfb.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>
#include <xcb/xcb.h>

namespace {

using namespace snipstack;
using namespace snipstack::bench;

// A full history at the default limit, so every capture also removes the oldest entry.
constexpr unsigned entryCount = History::defaultMaxItems;

void BM_CaptureTextIntoHistory(benchmark::State& state) {
    TemporaryFolder folder;
    const fs::path base = folder.path / "Data";
    const QString preferencesPath = QString::fromStdString((folder.path / "Snipstack.ini").string());
    InMemoryKeyVault vault;
    fillStore(base, vault, entryCount);
    writeStartingPreferences(preferencesPath, History::defaultMaxItems);
    SystemPasteboard pasteboard;
    DesktopEntries entries;
    X11Workspace workspace(entries);
    NoUserInterface ui;
    const auto made = makeModel(preferencesPath, pasteboard, workspace, vault, ui, base);
    AppModel& model = *made;
    model.launch();
    if (model.items().size() != entryCount || !settle(model)) {
        state.SkipWithError("the history did not load");
        return;
    }

    const QString path = QString::fromStdString((folder.path / "copied.txt").string());
    std::vector<double> fromOwner;
    std::vector<double> fromStart;
    std::unique_ptr<QProcess> owner;
    for (auto _ : state) {
        const std::string text = words(200, static_cast<unsigned>(state.iterations()) + 1'000'000);
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();

        QEventLoop loop;
        std::optional<Clock::time_point> done;
        const auto connection = QObject::connect(&model, &AppModel::itemsChanged, &loop, [&] {
            if (!model.items().empty() && model.items().front().text == text) {
                done = Clock::now();
                loop.quit();
            }
        });
        QTimer::singleShot(5s, &loop, &QEventLoop::quit);
        ClipboardOwnerWatch watch;
        auto next = std::make_unique<QProcess>();
        const auto started = Clock::now();
        next->start("xclip", {"-quiet", "-selection", "clipboard", "-target", "UTF8_STRING", path});
        loop.exec();
        QObject::disconnect(connection);
        if (!done) {
            state.SkipWithError("the copy did not reach the history");
            break;
        }
        const auto owned = watch.changedAt();
        state.SetIterationTime(std::chrono::duration<double>(*done - started).count());
        fromOwner.push_back(milliseconds(*done - owned));
        fromStart.push_back(milliseconds(*done - started));
        if (owner) {
            owner->waitForFinished(1000);
        }
        owner = std::move(next);
        // The preview step queued by the capture writes the entry once more; let it finish so that
        // it does not fall into the next measurement.
        if (!settle(model)) {
            state.SkipWithError("the background jobs did not finish");
            break;
        }
    }
    if (owner) {
        owner->kill();
        owner->waitForFinished();
    }
    state.counters["median_from_owner_ms"] = median(fromOwner);
    state.counters["median_from_start_ms"] = median(fromStart);
}
BENCHMARK(BM_CaptureTextIntoHistory)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    snipstack::x11test::Xvfb xvfb;
    QGuiApplication application(argc, argv);
    return snipstack::bench::runBenchmarks(argc, argv);
}
