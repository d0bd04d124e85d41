// Global shortcut latency against a private Xvfb: from another client's XTest press of Super+D until
// the HotKeyCenter handler runs on the main thread.
#include "app/system/shortcut/HotKey.h"
#include "app/system/shortcut/HotKeyCenter.h"
#include "bench/RunBenchmarks.h"
#include "bench/Timing.h"
#include "tests/support/Xvfb.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <optional>
#include <vector>
// After Qt's headers, whose names Xlib's macros would clash with.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using snipstack::bench::median;

void BM_ShortcutPressToHandler(benchmark::State& state) {
    auto& center = snipstack::HotKeyCenter::shared();
    if (!center.registerHotKey(2, snipstack::HotKey::command)) {
        state.SkipWithError("Super+D could not be registered");
        return;
    }
    Display* display = XOpenDisplay(nullptr);
    const KeyCode super = XKeysymToKeycode(display, XK_Super_L);
    const KeyCode d = XKeysymToKeycode(display, XK_d);
    std::vector<double> latencies;
    for (auto _ : state) {
        QEventLoop loop;
        std::optional<Clock::time_point> firedAt;
        center.handler = [&] {
            firedAt = Clock::now();
            loop.quit();
        };
        QTimer::singleShot(2s, &loop, &QEventLoop::quit);
        const auto pressed = Clock::now();
        XTestFakeKeyEvent(display, super, True, CurrentTime);
        XTestFakeKeyEvent(display, d, True, CurrentTime);
        XFlush(display);
        loop.exec();
        XTestFakeKeyEvent(display, d, False, CurrentTime);
        XTestFakeKeyEvent(display, super, False, CurrentTime);
        XFlush(display);
        if (!firedAt) {
            state.SkipWithError("the handler did not run");
            break;
        }
        const auto latency = std::chrono::duration<double>(*firedAt - pressed);
        state.SetIterationTime(latency.count());
        latencies.push_back(latency.count() * 1000);
    }
    XCloseDisplay(display);
    center.unregisterHotKey();
    center.handler = nullptr;
    state.counters["median_ms"] = median(latencies);
}
BENCHMARK(BM_ShortcutPressToHandler)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    snipstack::x11test::Xvfb xvfb;
    QGuiApplication application(argc, argv);
    return snipstack::bench::runBenchmarks(argc, argv);
}
