#pragma once

#include "app/model/StatusItem.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

class QMenu;

namespace snipstack {

class AppModel;
class AppWindows;

// The tray icon: a left click toggles the panel, a right click (or Ctrl+left click) opens the menu,
// built fresh each time so that it shows the current pause state. Visible exactly while the user
// wants the icon; without a tray on the desktop nothing shows and nothing fails.
class StatusItemController final : public QObject, public StatusItem {
    Q_OBJECT
public:
    static constexpr const char* firstRunTip =
        "Snipstack lives here.\nClick to open your clipboard, right-click for the menu.";
    static constexpr int firstRunTipMilliseconds = 6000;

    StatusItemController(AppModel& model, AppWindows& windows);
    ~StatusItemController() override;

    void showFirstRunTip() override;

    // The menu as a right click shows it now.
    std::unique_ptr<QMenu> makeMenu();
    const QSystemTrayIcon& statusItem() const { return statusItem_; }

    void clicked(QSystemTrayIcon::ActivationReason reason);

private:
    void openMenu();
    void updateVisibility();

    AppModel& model_;
    AppWindows& windows_;
    QSystemTrayIcon statusItem_;
    std::unique_ptr<QMenu> openMenu_;
};

} // namespace snipstack
