// Capture latency: from another program (xclip, a Qt or a GTK program) copying until the monitor
// hands the draft to onCapture, against a private Xvfb. The time runs from the program's start, so
// it includes the program starting; the counters give medians from its start and from the moment a
// watcher saw the owner change (polled every 0.2 ms, so that one errs on the short side), and the
// longest the main thread went without running a 1 ms timer meanwhile.
#include "app/system/clipboard/PasteboardMonitor.h"
#include "app/system/clipboard/SystemPasteboard.h"
#include "app/system/desktop/X11Workspace.h"
#include "bench/ClipboardOwnerWatch.h"
#include "bench/PeakMemory.h"
#include "bench/RunBenchmarks.h"
#include "bench/Timing.h"
#include "tests/support/Xvfb.h"

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
#include <csignal>
#include <memory>
#include <thread>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using snipstack::bench::median;
using snipstack::bench::milliseconds;

// The longest the main thread went without running a 1 ms timer, while it was counting.
class MainThreadGaps {
public:
    MainThreadGaps() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        timer_.start(1ms);
    }
    double longestMilliseconds() const { return milliseconds(longest_); }

private:
    QTimer timer_;
    Clock::time_point last_ = Clock::now();
    Clock::duration longest_{};
};

// Another program that copies: the command, and the type and size under which its copy arrives.
struct Copier {
    QString program;
    QStringList arguments;
    std::string_view type;
    std::size_t size = 0;
};

// The x11 test program serves what it is told to, as an ordinary Qt program would.
QString qtOwner() {
    return QCoreApplication::applicationDirPath() + "/../tests/snipstack_clipboard_x11_tests";
}

void measureCapture(benchmark::State& state, const Copier& copier) {
    snipstack::SystemPasteboard pasteboard;
    snipstack::DesktopEntries entries;
    snipstack::X11Workspace workspace(entries);
    snipstack::PasteboardMonitor monitor(pasteboard, workspace);
    monitor.start(snipstack::PasteboardMonitor::idlePollInterval);

    std::vector<double> fromOwner;
    std::vector<double> fromStart;
    std::vector<double> gaps;
    std::unique_ptr<QProcess> owner;
    for (auto _ : state) {
        QEventLoop loop;
        std::size_t captured = 0;
        // A change may still be the previous owner's exit; the capture is the one that has the bytes.
        monitor.onCapture = [&](const snipstack::ClipDraft& draft) {
            if (const auto* data = draft.payload.dataForType(copier.type)) {
                captured = data->size();
                loop.quit();
            }
        };
        QTimer::singleShot(5s, &loop, &QEventLoop::quit);
        snipstack::bench::ClipboardOwnerWatch watch;
        auto next = std::make_unique<QProcess>();
        const auto started = Clock::now();
        next->start(copier.program, copier.arguments);
        MainThreadGaps mainThread;
        loop.exec();
        const auto done = Clock::now();
        if (captured == 0 || (copier.size != 0 && captured != copier.size)) {
            state.SkipWithError("the copy was not captured");
            break;
        }
        gaps.push_back(mainThread.longestMilliseconds());
        const auto owned = watch.changedAt();
        state.SetIterationTime(std::chrono::duration<double>(done - started).count());
        fromOwner.push_back(milliseconds(done - owned));
        fromStart.push_back(milliseconds(done - started));
        if (owner) {
            owner->kill();
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
    state.counters["longest_main_thread_gap_ms"] =
        gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
}

// xclip serving a file's bytes under one target.
Copier xclip(const QString& target, const QByteArray& content, std::string_view type) {
    static QTemporaryDir directory;
    const auto path = directory.filePath(QString::number(qHash(content)));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return {"xclip",
            {"-quiet", "-selection", "clipboard", "-target", target, path},
            type,
            static_cast<std::size_t>(content.size())};
}

void BM_CaptureText(benchmark::State& state) {
    measureCapture(state, xclip("UTF8_STRING", QByteArray("Grüße aus dem Benchmark, ").repeated(20),
                                "public.utf8-plain-text"));
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
    measureCapture(state, xclip("image/png", png, "public.png"));
}
BENCHMARK(BM_CapturePNG1MB)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

// A 1920 × 1080 image as Qt's and GTK's own image copying offers it: every format they can convert
// to, of which one is read.
void BM_CaptureQtImage1080p(benchmark::State& state) {
    measureCapture(state, {qtOwner(), {"--serve-image", "1920", "1080"}, "public.png"});
}
BENCHMARK(BM_CaptureQtImage1080p)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_CaptureGtkImage1080p(benchmark::State& state) {
    measureCapture(
        state,
        {"/usr/bin/python3", {SNIPSTACK_TEST_DATA "/gtk_copy_image.py", "1920", "1080"}, "public.png"});
}
BENCHMARK(BM_CaptureGtkImage1080p)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// 50 MiB of text, the capture limit: the main thread's longest wait, and how far our resident peak
// rises while it is read and turned into a draft, as a multiple of the text.
void BM_CaptureText50MiB(benchmark::State& state) {
    const QByteArray text(50 * 1024 * 1024 - 64, 'x');
    const Copier copier = xclip("UTF8_STRING", text, "public.utf8-plain-text");
    long growthKiB = 0;
    growthKiB = snipstack::bench::peakGrowthKiB([&] {
        measureCapture(state, copier);
        return true;
    });
    state.counters["peak_growth_per_text"] = double(growthKiB) * 1024 / double(text.size());
}
BENCHMARK(BM_CaptureText50MiB)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// An owner that stops answering after announcing its copy: the main thread must not wait for it.
void BM_OwnerThatNeverAnswers(benchmark::State& state) {
    snipstack::SystemPasteboard pasteboard;
    snipstack::DesktopEntries entries;
    snipstack::X11Workspace workspace(entries);
    snipstack::PasteboardMonitor monitor(pasteboard, workspace);
    monitor.start(snipstack::PasteboardMonitor::idlePollInterval);
    std::vector<double> gaps;
    for (auto _ : state) {
        QProcess owner;
        snipstack::bench::ClipboardOwnerWatch watch;
        owner.start(qtOwner(), {"--serve-clipboard", "text/plain", "never read"});
        watch.changedAt();
        ::kill(pid_t(owner.processId()), SIGSTOP);
        MainThreadGaps mainThread;
        QEventLoop loop;
        QTimer::singleShot(1500ms, &loop, &QEventLoop::quit);
        loop.exec();
        gaps.push_back(mainThread.longestMilliseconds());
        owner.kill();
        owner.waitForFinished();
    }
    state.counters["longest_main_thread_gap_ms"] = *std::max_element(gaps.begin(), gaps.end());
}
BENCHMARK(BM_OwnerThatNeverAnswers)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    snipstack::x11test::Xvfb xvfb;
    QGuiApplication application(argc, argv);
    return snipstack::bench::runBenchmarks(argc, argv);
}
