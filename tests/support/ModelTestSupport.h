#pragma once

#include "core/model/ContentHash.h"
#include "tests/support/Fakes.h"
#include "tests/support/MemoryPasteboard.h"
#include "tests/support/WaitUntil.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace snipstack::testing {

inline ClipDraft textDraft(const std::string& text) {
    ClipDraft draft;
    draft.text = text;
    draft.payload = PasteboardMonitor::plainTextPayload(text);
    draft.contentHash = contentHash(std::string_view(text));
    draft.sourceAppName = "Editor";
    return draft;
}

inline ClipDraft imageDraft(const QColor& colour, QSize size = QSize(40, 30)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    return *PasteboardMonitor::makeImageDraft(Bytes(png.begin(), png.end()), PasteboardType::png, {},
                                              std::nullopt);
}

inline std::vector<std::string> textsOf(const std::vector<ClipItem>& items) {
    std::vector<std::string> texts;
    for (const auto& item : items) {
        texts.push_back(item.text);
    }
    return texts;
}

// A model over fakes, a settings file and a storage folder of its own; nothing is started.
class ModelFixture : public ::testing::Test {
protected:
    QTemporaryDir folder;
    std::filesystem::path base = std::filesystem::path(folder.path().toStdString()) / "data";
    QString settingsPath = folder.filePath("settings.ini");
    MemoryPasteboard pasteboard;
    FakeWorkspace workspace;
    ScriptedVault vault;
    FakeDesktop desktop;
    FakeWindows windows;
    FakeAlerts alerts;
    FakeRenderer renderer;
    Date clock = Date::now();
    std::unique_ptr<AppModel> model;

    AppModel& makeModel() {
        model =
            std::make_unique<AppModel>(std::make_unique<Preferences>(settingsPath),
                                       AppModelEnvironment{pasteboard, workspace, vault, desktop, windows,
                                                           alerts, renderer, base, [this] { return clock; }});
        return *model;
    }

    // Started with the history on disk (or in memory), as after the first run.
    AppModel& startModel(bool persistent = true) {
        {
            Preferences preferences(settingsPath);
            preferences.setPersistent(persistent);
            preferences.setStorageChosen(true);
        }
        makeModel().launch();
        return *model;
    }

    StoreLayout layout() const { return StoreLayout(base); }

    ClipItem add(const std::string& text) {
        clock = clock.adding(1);
        return *model->insert(textDraft(text));
    }

    // Another program copies `text`; the monitor looks at the clipboard at once.
    void copyElsewhere(const std::string& text) {
        clock = clock.adding(1);
        pasteboard.setContent({.representations = {{std::string(PasteboardType::plainText), bytesOf(text)}}});
        pollNow();
    }

    // The monitor looks at the clipboard, and what it read reaches the model before this returns.
    void pollNow() {
        model->monitor().poll();
        ASSERT_TRUE(model->monitor().waitForCaptures());
    }
};

} // namespace snipstack::testing
