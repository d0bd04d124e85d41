#pragma once

#include "app/model/WindowRegistry.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>

namespace snipstack {

class AppModel;

// The program's own windows by identifier: made on first request, centred, kept when closed, and
// brought to the front through the window manager each time they are asked for. Also makes the tray
// icon and the panel for the model, and keeps every window in the theme and look the user chose.
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

private:
    QWidget* makeWindow(const QString& identifier);
    void bringForward(QWidget* window);
    void applyLook();

    AppModel* model_ = nullptr;
    std::map<QString, QPointer<QWidget>> windows_;
};

} // namespace snipstack
