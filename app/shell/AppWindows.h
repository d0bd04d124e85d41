#pragma once

#include "app/model/WindowRegistry.h"
#include "app/shell/WindowContents.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>

namespace snipstack {

class AppModel;
class TextEditorState;

// The program's own windows by identifier: made on first request, centred, kept when closed, and
// brought to the front through the window manager each time they are asked for. Editors are the
// exception: each opens afresh on what it edits and is gone when closed. Also makes the tray icon and
// the panel for the model, and keeps every window in the theme and look the user chose.
class AppWindows final : public QObject, public WindowRegistry {
    Q_OBJECT
public:
    static constexpr const char* onboarding = "onboarding";
    static constexpr const char* settings = "settings";
    static constexpr const char* about = "about";

    AppWindows();
    ~AppWindows() override;

    void showWindow(const QString& identifier);
    bool isWindowVisible(const QString& identifier) const;
    void closeWindow(const QString& identifier);
    // The window for `identifier` if it was made.
    QWidget* window(const QString& identifier) const;

    std::unique_ptr<StatusItem> makeStatusItem(AppModel& model) override;
    std::unique_ptr<PanelControl> makePanel(AppModel& model) override;
    void applyTheme(ThemeChoice theme) override;
    void showFirstRun() override { showWindow(onboarding); }
    void closeFirstRun() override { closeWindow(onboarding); }
    bool isFirstRunVisible() const override { return isWindowVisible(onboarding); }
    void openTextEditor(const ClipItem& item, const ClipPayload& payload) override;
    void openImageEditor(const ClipItem& item, const Bytes& image) override;
    // An editor on a text that is no entry (yet), saved as a new one.
    void openTextEditor(const QString& text);

private:
    QWidget* makeWindow(const QString& identifier);
    // A window in our look around `content`, centred on the screen under the pointer.
    QWidget* frameWindow(const WindowContent& content);
    // Closes an editor already open under `identifier` first.
    void showTextEditor(const QString& identifier, TextEditorState* state);
    // Shows an editor under `identifier`, closing one already open there first; gone when closed.
    void showEditor(const QString& identifier, const WindowContent& content);
    void bringForward(QWidget* window);
    void applyLook();

    AppModel* model_ = nullptr;
    std::map<QString, QPointer<QWidget>> windows_;
};

} // namespace snipstack
