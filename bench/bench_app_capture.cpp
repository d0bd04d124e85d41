// Capture latency: from another program (xclip) copying until the monitor hands the draft to
// onCapture, against a private Xvfb. The time runs from xclip's start, so it includes the program
// starting; the counters give medians from its start and from the moment a watcher saw the owner
// change (polled every 0.2 ms, so that one errs on the short side).
#include "app/system/PasteboardMonitor.h"
#include "app/system/SystemPasteboard.h"
#include "app/system/X11Workspace.h"
#include "bench/ClipboardOwnerWatch.h"
#include "bench/RunBenchmarks.h"
#include "bench/Timing.h"
#include "tests/app/x11/Xvfb.h"

#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <thread>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using snipstack::bench::median;
using snipstack::bench::milliseconds;

void measureCapture(benchmark::State& state, const QString& target, const QByteArray& content,
                    std::string_view type) {
    snipstack::SystemPasteboard pasteboard;
    snipstack::X11Workspace workspace;
    snipstack::PasteboardMonitor monitor(pasteboard, workspace);
    monitor.start(snipstack::PasteboardMonitor::idlePollInterval);
    QTemporaryDir directory;
    const auto path = directory.filePath("content");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    file.close();

    std::vector<double> fromOwner;
    std::vector<double> fromStart;
    std::unique_ptr<QProcess> owner;
    for (auto _ : state) {
        QEventLoop loop;
        std::optional<snipstack::Bytes> bytes;
        // A change may still be the previous owner's exit; the capture is the one that has the bytes.
        monitor.onCapture = [&](const snipstack::ClipDraft& draft) {
            if (const auto* data = draft.payload.dataForType(type)) {
                bytes = *data;
                loop.quit();
            }
        };
        QTimer::singleShot(5s, &loop, &QEventLoop::quit);
        snipstack::bench::ClipboardOwnerWatch watch;
        auto next = std::make_unique<QProcess>();
        const auto started = Clock::now();
        next->start("xclip", {"-quiet", "-selection", "clipboard", "-target", target, path});
        loop.exec();
        const auto done = Clock::now();
        if (!bytes || bytes->size() != static_cast<std::size_t>(content.size())) {
            state.SkipWithError("the copy was not captured");
            break;
        }
        const auto owned = watch.changedAt();
        state.SetIterationTime(std::chrono::duration<double>(done - started).count());
        fromOwner.push_back(milliseconds(done - owned));
        fromStart.push_back(milliseconds(done - started));
        if (owner) {
            owner->waitForFinished(1000);
        }
        owner = std::move(next);
    }
    if (owner) {
        owner->kill();
        owner->waitForFinished();
    }
    state.counters["median_from_owner_ms"] = median(fromOwner);
    state.counters["median_from_start_ms"] = median(fromStart);
    state.counters["bytes"] = static_cast<double>(content.size());
}

void BM_CaptureText(benchmark::State& state) {
    measureCapture(state, "UTF8_STRING", QByteArray("Grüße aus dem Benchmark, ").repeated(20),
                   "public.utf8-plain-text");
}
BENCHMARK(BM_CaptureText)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

void BM_CapturePNG1MB(benchmark::State& state) {
    // Noise does not compress, so the PNG is about as large as the raw pixels: 1 MiB.
    QImage image(512, 512, QImage::Format_ARGB32);
    QRandomGenerator generator(1);
    generator.fillRange(reinterpret_cast<quint32*>(image.bits()), image.sizeInBytes() / 4);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    measureCapture(state, "image/png", png, "public.png");
}
BENCHMARK(BM_CapturePNG1MB)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    snipstack::x11test::Xvfb xvfb;
    QGuiApplication application(argc, argv);
    return snipstack::bench::runBenchmarks(argc, argv);
}
