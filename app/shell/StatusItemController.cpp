#include "app/shell/StatusItemController.h"

#include "app/model/AppModel.h"
#include "app/model/ProductInfo.h"
#include "app/shell/AppWindows.h"
#include "app/shell/TrayIconImage.h"
#include "app/system/LogCategories.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>

namespace snipstack {

StatusItemController::StatusItemController(AppModel& model, AppWindows& windows)
    : model_(model), windows_(windows) {
    statusItem_.setIcon(trayIconImage());
    // The tray's tooltip is also the name screen readers announce for the icon.
    statusItem_.setToolTip(QStringLiteral("Snipstack"));
    connect(&statusItem_, &QSystemTrayIcon::activated, this, &StatusItemController::clicked);
    connect(&model_.preferences(), &Preferences::showMenuBarIconChanged, this,
            &StatusItemController::updateVisibility);
    updateVisibility();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qCInfo(desktopLog, "No system tray on this desktop; the shortcut and launching Snipstack again "
                           "open it");
    }
}

StatusItemController::~StatusItemController() = default;

void StatusItemController::updateVisibility() {
    statusItem_.setVisible(model_.preferences().showMenuBarIcon());
}

void StatusItemController::clicked(QSystemTrayIcon::ActivationReason reason) {
    if (!model_.isStarted()) {
        windows_.showWindow(AppWindows::onboarding);
        return;
    }
    const bool controlHeld = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    if (reason == QSystemTrayIcon::Context || (reason == QSystemTrayIcon::Trigger && controlHeld)) {
        openMenu();
        return;
    }
    if (reason == QSystemTrayIcon::Trigger) {
        model_.toggleFromStatusItem();
    }
}

void StatusItemController::openMenu() {
    openMenu_ = makeMenu();
    openMenu_->popup(QCursor::pos());
}

std::unique_ptr<QMenu> StatusItemController::makeMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->addAction(model_.capturePaused() ? QStringLiteral("Resume Capture")
                                           : QStringLiteral("Pause Capture"),
                    this, [this] { model_.togglePause(); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Settings…"), this, [this] { windows_.showWindow(AppWindows::settings); });
    menu->addAction(QStringLiteral("Help and Feedback"), this, [] {
        if (!QDesktopServices::openUrl(QUrl(QString::fromLatin1(product::feedbackURL)))) {
            qCWarning(desktopLog, "Could not open the help page in a browser");
        }
    });
    menu->addAction(QStringLiteral("About Snipstack"), this,
                    [this] { windows_.showWindow(AppWindows::about); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Quit Snipstack"), qApp, &QCoreApplication::quit);
    return menu;
}

void StatusItemController::showFirstRunTip() {
    if (!statusItem_.isVisible() || !QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    statusItem_.showMessage(QStringLiteral("Snipstack"), QString::fromUtf8(firstRunTip),
                            QSystemTrayIcon::NoIcon, firstRunTipMilliseconds);
}

} // namespace snipstack
