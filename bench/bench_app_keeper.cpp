// How soon the clipboard answers again after the program that copied quits: Snipstack offers the
// entry that copy became. Starts the program itself; run it on a private desktop:
//   scripts/desktop-session.sh build-release/bench/bench_app_keeper
#include "app/system/clipboard/X11SelectionReader.h"
#include "bench/ChildProcess.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"

#include <QGuiApplication>
#include <string>

namespace {

using namespace snipstack;
using namespace snipstack::bench;

// Reads the clipboard as text; nothing when no owner answers within `patience`.
std::optional<std::string> clipboardText(X11SelectionReader& reader, std::chrono::milliseconds patience) {
    const auto result = reader.read("UTF8_STRING", patience, Clock::now() + patience);
    if (result.status != X11SelectionReader::Status::delivered) {
        return std::nullopt;
    }
    return std::string(result.data.begin(), result.data.end());
}

void BM_OwnerQuitsToClipboardAnswering(benchmark::State& state) {
    if (!qEnvironmentVariableIsSet("DISPLAY")) {
        state.SkipWithError("no X display: run inside scripts/desktop-session.sh");
        return;
    }
    // Memory only: the keyring plays no part in keeping the clipboard.
    TemporaryFolder home;
    const fs::path settings = home.path / ".config" / "orvend" / "Snipstack.conf";
    fs::create_directories(settings.parent_path());
    {
        Preferences preferences(QString::fromStdString(settings.string()));
        preferences.setPersistent(false);
        preferences.setStorageChosen(true);
        preferences.setOnboardingDone(true);
    }
    const ChildProcess snipstack({SNIPSTACK_PROGRAM}, {{"HOME", home.path.string()},
                                                       {"XDG_CONFIG_HOME", (home.path / ".config").string()},
                                                       {"XDG_DATA_HOME", (home.path / "data").string()}});
    std::this_thread::sleep_for(2s);

    X11SelectionReader reader;
    std::vector<double> times;
    int copy = 0;
    for (auto _ : state) {
        const std::string text = "copied " + std::to_string(++copy);
        ChildProcess owner({SNIPSTACK_COPIER, "--serve-clipboard", "text/plain", text});
        const auto deadline = Clock::now() + 5s;
        while (clipboardText(reader, 200ms) != text && Clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
        // The copy is captured within a poll.
        std::this_thread::sleep_for(500ms);

        const auto quit = Clock::now();
        owner.end();
        std::optional<std::string> answer;
        while (answer != text && Clock::now() - quit < 2s) {
            answer = clipboardText(reader, 100ms);
        }
        if (answer != text) {
            state.SkipWithError("the clipboard did not answer with the copy after its owner quit");
            break;
        }
        const double elapsed = milliseconds(Clock::now() - quit);
        times.push_back(elapsed);
        state.SetIterationTime(elapsed / 1000);
    }
    state.counters["median_ms"] = median(times);
}
BENCHMARK(BM_OwnerQuitsToClipboardAnswering)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    return runBenchmarks(argc, argv);
}
