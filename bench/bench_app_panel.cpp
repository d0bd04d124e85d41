// The clipboard panel over 5000 entries of 200-byte texts (and a variant with 250 images among
// them), against a private Xvfb: show() until the window is mapped and until its list is first
// painted, a keystroke in the search field until the narrowed list is painted, and scrolling through
// the whole list a step at a time, reporting the longest frame and what the thumbnail caches hold.
#include "app/panel/PanelController.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"
#include "tests/support/MemoryPasteboard.h"
#include "tests/support/Xvfb.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QPixmapCache>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

using namespace snipstack;
using namespace snipstack::bench;

namespace {

// Notes when a widget was last painted.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget& widget) { widget.installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return false;
    }
};

ClipDraft snippet(unsigned index) {
    return textDraft(200, index);
}

// One entry in twenty an image.
ClipDraft snippetOrImage(unsigned index) {
    return index % 20 == 0 ? bench::imageDraft(index) : textDraft(200, index);
}

// A model started over a store of 5000 entries made by `draft`, and the panel over it.
struct PanelBench {
    QTemporaryDir folder;
    MemoryPasteboard pasteboard;
    testing::FakeWorkspace workspace;
    InMemoryKeyVault vault;
    NoUserInterface ui;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<PanelController> panel;

    explicit PanelBench(ClipDraft (*draft)(unsigned)) {
        constexpr unsigned count = 5000;
        const QString settings = folder.filePath("settings.ini");
        const fs::path base = fs::path(folder.path().toStdString()) / "data";
        writeStartingPreferences(settings, count);
        fillStore(base, vault, count, draft);
        model = makeModel(settings, pasteboard, workspace, vault, ui, base);
        model->launch();
        while (model->items().size() < count) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        settle(*model);
        panel = std::make_unique<PanelController>(*model);
    }

    QListView& list() { return panel->view().list(); }

    // Runs the event loop until the list has been painted (for at most a second); the time it took.
    double untilPainted(Clock::time_point start) {
        PaintWatch watch(*list().viewport());
        while (!watch.painted && Clock::now() - start < 1s) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QCoreApplication::processEvents();
        return milliseconds(Clock::now() - start);
    }

    void hide() {
        panel->hide();
        while (panel->window().isVisible()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
};

PanelBench& texts() {
    static PanelBench bench(&snippet);
    return bench;
}

PanelBench& withImages() {
    static PanelBench bench(&snippetOrImage);
    return bench;
}

void showPanel(benchmark::State& state, PanelBench& bench) {
    std::vector<double> mapped;
    std::vector<double> painted;
    for (auto _ : state) {
        bench.hide();
        const auto start = Clock::now();
        bench.panel->show();
        QWindow* window = bench.panel->window().windowHandle();
        while (!window->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        mapped.push_back(milliseconds(Clock::now() - start));
        painted.push_back(bench.untilPainted(start));
        state.SetIterationTime(painted.back() / 1000);
    }
    state.counters["mapped_median_ms"] = median(mapped);
    state.counters["painted_median_ms"] = median(painted);
}

void BM_ShowWith5000Texts(benchmark::State& state) {
    showPanel(state, texts());
}
BENCHMARK(BM_ShowWith5000Texts)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_ShowWith250Images(benchmark::State& state) {
    showPanel(state, withImages());
}
BENCHMARK(BM_ShowWith250Images)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// A digit narrows 5000 entries to about a tenth; Backspace brings them back.
void BM_KeystrokeToNarrowedList(benchmark::State& state) {
    PanelBench& bench = texts();
    bench.hide();
    bench.panel->show();
    bench.untilPainted(Clock::now());
    QWindow* window = bench.panel->window().windowHandle();
    std::vector<double> narrowing;
    std::vector<double> widening;
    std::size_t narrowedRows = 0;
    for (auto _ : state) {
        for (const auto& [key, text, times] : {std::tuple{Qt::Key_7, QStringLiteral("7"), &narrowing},
                                               std::tuple{Qt::Key_Backspace, QString(), &widening}}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            const auto start = Clock::now();
            QCoreApplication::sendEvent(window, &press);
            QCoreApplication::sendEvent(window, &release);
            times->push_back(bench.untilPainted(start));
            if (key == Qt::Key_7) {
                narrowedRows = bench.model->visibleItems().size();
            }
        }
        state.SetIterationTime(narrowing.back() / 1000);
    }
    state.counters["narrowing_median_ms"] = median(narrowing);
    state.counters["widening_median_ms"] = median(widening);
    state.counters["rows_after_digit"] = double(narrowedRows);
}
BENCHMARK(BM_KeystrokeToNarrowedList)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// One wheel notch at a time from the top to the bottom; each frame is painted before the next step,
// and between steps the event loop runs (untimed) as it does between a user's wheel events, taking in
// the thumbnails decoded meanwhile.
void scrollThrough(benchmark::State& state, PanelBench& bench) {
    bench.hide();
    bench.panel->show();
    bench.untilPainted(Clock::now());
    QScrollBar* bar = bench.list().verticalScrollBar();
    std::vector<double> longest;
    std::vector<double> longestProcessor;
    for (auto _ : state) {
        QPixmapCache::clear();
        bar->setValue(0);
        bench.list().viewport()->repaint();
        double worst = 0;
        double worstProcessor = 0;
        const auto start = Clock::now();
        while (bar->value() < bar->maximum()) {
            const auto frame = Clock::now();
            const double frameProcessor = threadMilliseconds();
            bar->setValue(bar->value() + 120);
            bench.list().viewport()->repaint();
            worst = std::max(worst, milliseconds(Clock::now() - frame));
            worstProcessor = std::max(worstProcessor, threadMilliseconds() - frameProcessor);
            QCoreApplication::processEvents();
        }
        longest.push_back(worst);
        longestProcessor.push_back(worstProcessor);
        state.SetIterationTime(milliseconds(Clock::now() - start) / 1000);
    }
    state.counters["longest_frame_median_ms"] = median(longest);
    // On a busy machine the longest frame is often one the scheduler interrupted; this one is not.
    state.counters["longest_frame_cpu_median_ms"] = median(longestProcessor);
    state.counters["thumbnail_cache_MiB"] = double(bench.model->cachedThumbnailBytes()) / (1 << 20);
    state.counters["pixmap_cache_limit_MiB"] = QPixmapCache::cacheLimit() / 1024.0;
}

void BM_ScrollThrough5000Texts(benchmark::State& state) {
    scrollThrough(state, texts());
}
BENCHMARK(BM_ScrollThrough5000Texts)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ScrollThrough250Images(benchmark::State& state) {
    scrollThrough(state, withImages());
}
BENCHMARK(BM_ScrollThrough250Images)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::optional<x11test::Xvfb> xvfb;
    try {
        xvfb.emplace();
    } catch (const std::exception&) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    // Each opening logs its geometry; a thousand lines would bury the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("com.orvend.snipstack.panel.info=false"));
    return runBenchmarks(argc, argv);
}
