#pragma once

#include <QWidget>

class QLabel;
class QSpinBox;

namespace snipstack {

class AppModel;
class ToggleSwitch;

// The General tab: start-up, shortcut and appearance, history size and expiry, the clipboard window,
// clicks on items, screenshots and privacy.
class GeneralSettings : public QWidget {
    Q_OBJECT

public:
    explicit GeneralSettings(AppModel& model, QWidget* parent = nullptr);

protected:
    // The login item can be changed in the desktop's own settings while the window is closed.
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeStartupSection();
    QWidget* makeHistorySection();
    QWidget* makeWindowSection();
    QWidget* makeClickSection();
    QWidget* makeScreenshotSection();
    QWidget* makePrivacySection();
    void showExpiry();

    AppModel& model_;
    ToggleSwitch* launchAtLogin_ = nullptr;
    QSpinBox* expiryDays_ = nullptr;
    QSpinBox* expiryHours_ = nullptr;
    QLabel* historyFooter_ = nullptr;
};

} // namespace snipstack
