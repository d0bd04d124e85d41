#include "app/system/SystemServices.h"

#include "app/system/LaunchAtLogin.h"
#include "app/system/LogCategories.h"
#include "app/system/PasteKeystroke.h"

#include <QCoreApplication>
#include <QPromise>
#include <memory>

namespace snipstack {

SystemServices::SystemServices(std::filesystem::path procRoot) : captureDetector_(std::move(procRoot)) {
    recognitionPool_.setMaxThreadCount(2);
    recognitionPool_.setThreadPriority(QThread::LowPriority);
}

SystemServices::~SystemServices() {
    recognitionPool_.clear();
    recognitionPool_.waitForDone();
}

bool SystemServices::accessGranted() const {
    return canPostKeystrokes();
}

bool SystemServices::requestAccess() const {
    const bool granted = accessGranted();
    qCInfo(accessibilityLog, "Requested event-posting access: postEvent=%s ax=%s", granted ? "true" : "false",
           granted ? "true" : "false");
    return granted;
}

void SystemServices::openAccessibilitySettings() const {
    requestAccess();
}

bool SystemServices::postPasteKeystroke(std::string_view windowClass) const {
    return sendPasteKeystroke(windowClass);
}

bool SystemServices::setLaunchAtLogin(bool enabled) const {
    return snipstack::setLaunchAtLogin(enabled, QCoreApplication::applicationFilePath().toStdString());
}

bool SystemServices::launchAtLoginEnabled() const {
    return snipstack::launchAtLoginEnabled();
}

bool SystemServices::isScreenBeingCaptured() const {
    return captureDetector_.isScreenBeingCaptured();
}

QFuture<std::optional<RecognizedText>> SystemServices::recognizeText(Bytes image) {
    // Shared because the pool copies its tasks; the promise cancels the future if the task is dropped.
    auto promise = std::make_shared<QPromise<std::optional<RecognizedText>>>();
    promise->start();
    recognitionPool_.start([promise, image = std::move(image)] {
        promise->addResult(recognizeTextIn(image));
        promise->finish();
    });
    return promise->future();
}

} // namespace snipstack
