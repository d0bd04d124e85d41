// The program itself, started as a user starts it, over a history already on disk: the time from
// the spawn until its tray icon is shown (with its shortcut held), the memory it keeps once idle and
// the processor time it takes while nothing is copied. Run it on a desktop with a tray, a session
// bus and a keyring, as scripts/desktop-session.sh provides:
//   scripts/desktop-session.sh build-release/bench/bench_app_launch
#include "app/system/keyring/KeychainKeyVault.h"
#include "bench/ChildProcess.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"

#include <QGuiApplication>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <string>

namespace {

using namespace snipstack;
using namespace snipstack::bench;

// A user's home with settings that start straight into a history of `entries` mixed entries, whose
// key is in the session's keyring.
struct PreparedHome {
    TemporaryFolder folder;

    explicit PreparedHome(unsigned entries) {
        const fs::path settings = folder.path / ".config" / "orvend" / "Snipstack.conf";
        fs::create_directories(settings.parent_path());
        writeStartingPreferences(QString::fromStdString(settings.string()), 5000);
        const fs::path base = folder.path / ".local" / "share" / "Snipstack";
        fs::create_directories(base);
        KeychainKeyVault vault;
        if (entries > 0) {
            fillStore(base, vault, entries);
        }
    }
};

// The session's X display, asked what the program has shown and which keys are held.
class Display {
public:
    Display() : display_(XOpenDisplay(nullptr)) {}
    ~Display() {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    explicit operator bool() const { return display_ != nullptr; }

    // A mapped window of process `pid` embedded in another program's window: the tray's.
    bool trayIconShown(pid_t pid) { return holdsIcon(DefaultRootWindow(display_), pid, false); }

    // Whether another client holds Shift+Super+V: our own grab of it is refused.
    bool shortcutHeld() {
        const KeyCode v = XKeysymToKeycode(display_, XK_v);
        refused_ = false;
        const auto previous = XSetErrorHandler(&Display::noteRefusal);
        XGrabKey(display_, v, ShiftMask | Mod4Mask, DefaultRootWindow(display_), False, GrabModeAsync,
                 GrabModeAsync);
        XSync(display_, False);
        if (!refused_) {
            XUngrabKey(display_, v, ShiftMask | Mod4Mask, DefaultRootWindow(display_));
            XSync(display_, False);
        }
        XSetErrorHandler(previous);
        return refused_;
    }

private:
    static int noteRefusal(::Display*, XErrorEvent* error) {
        refused_ = refused_ || error->error_code == BadAccess;
        return 0;
    }

    // Looks below `window` for a mapped window of `pid`; `inForeign` says whether an ancestor below
    // the root belongs to another process. Window managers' frames carry no process.
    bool holdsIcon(Window window, pid_t pid, bool inForeign) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, window, &root, &parent, &children, &count)) {
            return false;
        }
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i) {
            const auto owner = processOf(children[i]);
            if (owner == pid) {
                XWindowAttributes attributes;
                found = inForeign && XGetWindowAttributes(display_, children[i], &attributes) &&
                        attributes.map_state == IsViewable;
            } else {
                found = holdsIcon(children[i], pid, inForeign || owner.has_value());
            }
        }
        XFree(children);
        return found;
    }

    std::optional<pid_t> processOf(Window window) {
        const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* value = nullptr;
        if (XGetWindowProperty(display_, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &value) != Success ||
            !value) {
            return std::nullopt;
        }
        const std::optional<pid_t> pid =
            items == 1 ? std::optional(static_cast<pid_t>(*reinterpret_cast<unsigned long*>(value)))
                       : std::nullopt;
        XFree(value);
        return pid;
    }

    ::Display* display_;
    static inline bool refused_ = false;
};

// The program started in `home`.
ChildProcess launch(const fs::path& home) {
    return ChildProcess({SNIPSTACK_PROGRAM}, {{"HOME", home.string()},
                                              {"XDG_CONFIG_HOME", (home / ".config").string()},
                                              {"XDG_DATA_HOME", (home / ".local" / "share").string()}});
}

// Waits until the tray shows the icon of `running`; false after 10 s.
bool waitForTrayIcon(Display& display, const ChildProcess& running) {
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        if (display.trayIconShown(running.pid())) {
            return true;
        }
        std::this_thread::sleep_for(200us);
    }
    return false;
}

// The shortcut is registered in the step of start-up that asks the tray for a place, so it is held
// by the time the icon shows. It is checked a little later: a grab of ours that came first would
// take the key from the program.
bool shortcutHeldSoon(Display& display) {
    std::this_thread::sleep_for(300ms);
    return display.shortcutHeld();
}

void BM_LaunchToTrayAndShortcut(benchmark::State& state) {
    Display display;
    if (!display) {
        state.SkipWithError("no X display: run inside scripts/desktop-session.sh");
        return;
    }
    const PreparedHome home(static_cast<unsigned>(state.range(0)));
    std::vector<double> times;
    for (auto _ : state) {
        const auto started = Clock::now();
        const ChildProcess running = launch(home.folder.path);
        if (!waitForTrayIcon(display, running)) {
            state.SkipWithError("no tray icon within 10 s");
            return;
        }
        const double elapsed = milliseconds(Clock::now() - started);
        if (!shortcutHeldSoon(display)) {
            state.SkipWithError("the shortcut is not held");
            return;
        }
        times.push_back(elapsed);
        state.SetIterationTime(elapsed / 1000);
    }
    state.counters["median_ms"] = median(times);
}
BENCHMARK(BM_LaunchToTrayAndShortcut)
    ->Arg(5000)
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);

// Resident memory once launched and idle, and the processor time taken while idle, per minute.
void BM_Idle(benchmark::State& state) {
    Display display;
    if (!display) {
        state.SkipWithError("no X display: run inside scripts/desktop-session.sh");
        return;
    }
    const PreparedHome home(static_cast<unsigned>(state.range(0)));
    for (auto _ : state) {
        const ChildProcess running = launch(home.folder.path);
        if (!waitForTrayIcon(display, running) || !shortcutHeldSoon(display)) {
            state.SkipWithError("no tray icon or no shortcut");
            return;
        }
        // Start-up's own work (the store, the icon, fonts) settles first.
        std::this_thread::sleep_for(3s);
        state.counters["resident_MB"] = double(running.residentKilobytes()) / 1024;
        const double before = running.processorSeconds();
        const auto window = 30s;
        std::this_thread::sleep_for(window);
        state.counters["idle_cpu_s_per_min"] =
            (running.processorSeconds() - before) * (60.0 / window.count());
    }
}
BENCHMARK(BM_Idle)->Arg(0)->Arg(500)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    // For the keyring and the thumbnails of the prepared histories.
    QGuiApplication application(argc, argv);
    return runBenchmarks(argc, argv);
}
