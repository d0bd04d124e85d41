#include "app/system/desktop/SystemDesktop.h"

#include "app/system/LogCategories.h"
#include "app/system/desktop/LaunchAtLogin.h"
#include "app/system/desktop/PasteKeystroke.h"
#include "app/system/shortcut/HotKeyCenter.h"
#include "app/system/x11/X11.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <utility>

namespace snipstack {

SystemDesktop::SystemDesktop(DesktopEntries& desktopEntries, std::filesystem::path procRoot)
    : captureDetector_(std::move(procRoot)), desktopEntries_(desktopEntries) {
    recognitionPool_.setMaxThreadCount(2);
    recognitionPool_.setThreadPriority(QThread::LowPriority);
}

SystemDesktop::~SystemDesktop() {
    recognitionPool_.clear();
    recognitionPool_.waitForDone();
}

void SystemDesktop::beep() {
    if (const std::optional<x11::Connection> qt = x11::qtConnection()) {
        xcb_bell(qt->connection, 0);
        xcb_flush(qt->connection);
    }
}

bool SystemDesktop::registerHotKey(const HotKey& hotKey, std::function<void()> handler) {
    HotKeyCenter& center = HotKeyCenter::shared();
    center.handler = std::move(handler);
    return center.registerHotKey(hotKey.keyCode, hotKey.modifiers);
}

void SystemDesktop::unregisterHotKey() {
    HotKeyCenter::shared().unregisterHotKey();
}

void SystemDesktop::observeWake(std::function<void()> handler) {
    wakeWatcher_ = std::make_unique<WakeWatcher>(std::move(handler));
}

bool SystemDesktop::accessibilityGranted() {
    return canPostKeystrokes();
}

bool SystemDesktop::requestAccessibility() {
    const bool granted = accessibilityGranted();
    qCInfo(accessibilityLog, "Requested event-posting access: postEvent=%s ax=%s", granted ? "true" : "false",
           granted ? "true" : "false");
    return granted;
}

void SystemDesktop::openAccessibilitySettings() {
    requestAccessibility();
}

bool SystemDesktop::postPasteKeystroke(std::string_view windowClass) {
    return sendPasteKeystroke(windowClass);
}

bool SystemDesktop::setLaunchAtLogin(bool enabled) {
    return snipstack::setLaunchAtLogin(enabled, QCoreApplication::applicationFilePath().toStdString());
}

bool SystemDesktop::launchAtLoginEnabled() {
    return snipstack::launchAtLoginEnabled();
}

bool SystemDesktop::isScreenBeingCaptured() {
    return captureDetector_.isScreenBeingCaptured();
}

QFuture<std::optional<RecognizedText>> SystemDesktop::recognizeText(Bytes image) {
    // Shared because the pool copies its tasks; the promise cancels the future if the task is dropped.
    auto promise = std::make_shared<QPromise<std::optional<RecognizedText>>>();
    promise->start();
    recognitionPool_.start([promise, image = std::move(image)] {
        promise->addResult(recognizeTextIn(image));
        promise->finish();
    });
    return promise->future();
}

std::optional<QIcon> SystemDesktop::applicationIcon(const std::string& bundleID) {
    const auto entry = desktopEntries_.find(bundleID, bundleID);
    if (!entry || !entry->iconName) {
        return std::nullopt;
    }
    const QString name = QString::fromStdString(*entry->iconName);
    // Entries may name an image file instead of a theme icon.
    QIcon icon;
    if (QDir::isAbsolutePath(name)) {
        if (QFileInfo(name).isFile()) {
            icon = QIcon(name);
        }
    } else {
        icon = QIcon::fromTheme(name);
    }
    return icon.isNull() ? std::nullopt : std::optional<QIcon>(icon);
}

} // namespace snipstack
