// What the model benchmarks share: a model over stand-ins for the desktop, and a store filled with a
// realistic mix of entries.
#pragma once

#include "app/model/AppModel.h"
#include "app/model/OpenOrCreateStore.h"
#include "bench/Timing.h"
#include "core/model/ContentHash.h"
#include "core/model/DiskBackend.h"
#include "tests/support/Fakes.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace snipstack::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct TemporaryFolder {
    fs::path path = fs::temp_directory_path() / ("snipstack-bench-" + Uuid::random().string());
    TemporaryFolder() { fs::create_directories(path); }
    ~TemporaryFolder() { fs::remove_all(path); }
};

// Everything a model needs besides its pasteboard, workspace, vault and folders.
// Recognition answers nothing, so no background job writes to the store while a figure is taken.
struct NoUserInterface {
    NoUserInterface() { desktop.recognized = std::nullopt; }
    testing::FakeDesktop desktop;
    testing::FakeWindows windows;
    testing::FakeAlerts alerts;
    testing::FakeRenderer previews;
};

// Settings that start the model straight into its store, keeping up to `maxItems` entries.
inline void writeStartingPreferences(const QString& path, int maxItems) {
    Preferences preferences(path);
    preferences.setPersistent(true);
    preferences.setStorageChosen(true);
    preferences.setOnboardingDone(true);
    preferences.setMaxItems(maxItems);
}

inline std::unique_ptr<AppModel> makeModel(const QString& preferencesPath, Pasteboard& pasteboard,
                                           Workspace& workspace, KeyVault& vault, NoUserInterface& ui,
                                           const fs::path& base) {
    return std::make_unique<AppModel>(std::make_unique<Preferences>(preferencesPath),
                                      AppModelEnvironment{.pasteboard = pasteboard,
                                                          .workspace = workspace,
                                                          .vault = vault,
                                                          .desktop = ui.desktop,
                                                          .windows = ui.windows,
                                                          .alerts = ui.alerts,
                                                          .richPreviews = ui.previews,
                                                          .defaultStorageBase = base});
}

inline std::string words(std::size_t size, unsigned seed) {
    static constexpr std::array<std::string_view, 12> vocabulary{
        "invoice",  "meeting",  "https://example.org/path", "Grüße",   "deploy", "function",
        "password", "tomorrow", "SELECT * FROM items",      "address", "42",     "review"};
    std::mt19937 random(seed);
    std::string text = std::to_string(seed);
    while (text.size() < size) {
        text += ' ';
        text += vocabulary[random() % vocabulary.size()];
    }
    return text;
}

inline ClipDraft textDraft(std::size_t size, unsigned seed) {
    ClipDraft draft;
    draft.text = words(size, seed);
    draft.payload = PasteboardMonitor::plainTextPayload(draft.text);
    draft.contentHash = contentHash(draft.text);
    draft.sourceAppName = "Text Editor";
    draft.sourceBundleID = "org.gnome.TextEditor";
    return draft;
}

inline ClipDraft imageDraft(unsigned seed) {
    QImage image(1024, 640, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] = qRgb((x + static_cast<int>(seed)) & 0xFF, y & 0xFF, (x ^ y) & 0xFF);
        }
    }
    // The gradient repeats; this pixel keeps every image distinct.
    image.setPixel(0, 0, seed);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    auto draft = PasteboardMonitor::makeImageDraft(Bytes(png.begin(), png.end()), PasteboardType::png, {},
                                                   std::nullopt);
    if (!draft) {
        throw std::runtime_error("no thumbnail for the test image");
    }
    return *draft;
}

// Mostly snippets, one entry in twenty an image, a few long texts.
inline ClipDraft mixedDraft(unsigned index) {
    if (index % 500 == 250) {
        return textDraft(100 * 1024, index);
    }
    if (index % 20 == 0) {
        return imageDraft(index);
    }
    return textDraft(200, index);
}

// Writes `count` entries through the history into the live store under `base`, oldest first; entry i
// is made by `draft(i)`.
inline void fillStore(const fs::path& base, KeyVault& vault, unsigned count,
                      ClipDraft (*draft)(unsigned) = &mixedDraft) {
    const DiskStore store =
        openOrCreateStore(StoreLayout(base), vault, Cipher::aes256GCM, false, Date::now());
    std::vector<ClipDraft> drafts;
    for (unsigned i = 0; i < count; ++i) {
        drafts.push_back(draft(i));
    }
    // Every record costs an fsync; several writers let the file system commit them together. Each
    // writer's history is made before any write, so none loads another's half-written entry.
    constexpr unsigned writers = 8;
    std::vector<std::unique_ptr<History>> parts;
    for (unsigned w = 0; w < writers; ++w) {
        parts.push_back(
            std::make_unique<History>(std::make_shared<DiskBackend>(store), History::maxItemsLimit));
    }
    const Date oldest = Date::now().adding(-60.0 * count);
    std::vector<std::jthread> threads;
    for (unsigned w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            History& history = *parts[w];
            for (unsigned i = w; i < count; i += writers) {
                const ClipItem item = history.add(drafts[i], oldest.adding(60.0 * i));
                // What the background jobs leave behind, so that none has work left at start-up.
                if (item.kind == ClipKind::image) {
                    history.setOCRText("", item.id);
                } else {
                    history.setRichPreview(std::nullopt, item.id);
                }
            }
        });
    }
}

// Runs the event loop until the model's background jobs have nothing left to do.
inline bool settle(AppModel& model) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!model.isRenderingPreviews() && !model.isRecognizingText()) {
            loop.quit();
        }
    });
    poll.start(1ms);
    QTimer::singleShot(60s, &loop, &QEventLoop::quit);
    loop.exec();
    return !model.isRenderingPreviews() && !model.isRecognizingText();
}

} // namespace snipstack::bench
