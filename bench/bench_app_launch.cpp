// The program itself, started as a user starts it, over a history already on disk: the time from
// the spawn until its tray icon is shown and its shortcut is held, the memory it keeps once idle and
// the processor time it takes while nothing is copied. Run it on a desktop with a tray, a session
// bus and a keyring, as scripts/desktop-session.sh provides:
//   scripts/desktop-session.sh build-release/bench/bench_app_launch
#include "app/system/keyring/KeychainKeyVault.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"

#include <QGuiApplication>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <csignal>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

    // A mapped window of process `pid`: with settings that start straight into the history, the
    // program shows no window but its tray icon.
    bool trayIconShown(pid_t pid) { return holdsIcon(DefaultRootWindow(display_), pid); }

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

    bool holdsIcon(Window window, pid_t pid) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, window, &root, &parent, &children, &count)) {
            return false;
        }
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i) {
            found = ownedMapped(children[i], pid) || holdsIcon(children[i], pid);
        }
        XFree(children);
        return found;
    }

    bool ownedMapped(Window window, pid_t pid) {
        const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* value = nullptr;
        if (XGetWindowProperty(display_, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &value) != Success ||
            !value) {
            return false;
        }
        const bool ours = items == 1 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(value)) == pid;
        XFree(value);
        XWindowAttributes attributes;
        return ours && XGetWindowAttributes(display_, window, &attributes) &&
               attributes.map_state == IsViewable;
    }

    ::Display* display_;
    static inline bool refused_ = false;
};

// The program started in `home`; ended (and waited for) when this goes.
class Running {
public:
    explicit Running(const fs::path& home) {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            const std::string_view name(*entry);
            if (!name.starts_with("HOME=") && !name.starts_with("XDG_CONFIG_HOME=") &&
                !name.starts_with("XDG_DATA_HOME=")) {
                environment.emplace_back(*entry);
            }
        }
        environment.push_back("HOME=" + home.string());
        environment.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
        environment.push_back("XDG_DATA_HOME=" + (home / ".local" / "share").string());
        std::vector<char*> pointers;
        for (auto& entry : environment) {
            pointers.push_back(entry.data());
        }
        pointers.push_back(nullptr);
        std::string program = SNIPSTACK_PROGRAM;
        char* arguments[] = {program.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, arguments, pointers.data()) != 0) {
            pid_ = 0;
        }
    }
    ~Running() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }

    // Kilobytes resident now.
    long residentKilobytes() const { return statusField("VmRSS:"); }

    // User and system time so far, in seconds.
    double processorSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        long user = 0;
        long system = 0;
        for (int index = 3; fields >> field; ++index) {
            if (index == 14) {
                user = std::stol(field);
            } else if (index == 15) {
                system = std::stol(field);
                break;
            }
        }
        return double(user + system) / double(sysconf(_SC_CLK_TCK));
    }

private:
    long statusField(std::string_view name) const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with(name)) {
                return std::stol(line.substr(name.size()));
            }
        }
        return 0;
    }

    pid_t pid_ = 0;
};

// Waits until the tray shows the icon of `running` and its shortcut is held; false after 10 s.
bool waitUntilLaunched(Display& display, const Running& running) {
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        // The shortcut is registered in the same turn that shows the icon, before the tray embeds it.
        if (display.trayIconShown(running.pid())) {
            return display.shortcutHeld();
        }
        std::this_thread::sleep_for(200us);
    }
    return false;
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
        const Running running(home.folder.path);
        if (!waitUntilLaunched(display, running)) {
            state.SkipWithError("no tray icon or no shortcut within 10 s");
            return;
        }
        const double elapsed = milliseconds(Clock::now() - started);
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
        const Running running(home.folder.path);
        if (!waitUntilLaunched(display, running)) {
            state.SkipWithError("no tray icon or no shortcut within 10 s");
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
