#include "app/shell/SingleInstance.h"

#include "app/system/LogCategories.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace snipstack {

namespace {

// A running copy busy with a modal alert still answers from its event loop; one that does not
// answer at all within this is stuck.
constexpr int callTimeoutMilliseconds = 5000;

} // namespace

SingleInstance::Claim SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        qCInfo(desktopLog, "No session bus; not checking for another running Snipstack");
        return Claim::noBus;
    }
    // The object is in place before the name, so a call that follows the name finds it.
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots)) {
        qCWarning(desktopLog, "Could not serve %s on the session bus", objectPath);
    }
    const auto reply =
        bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        return Claim::first;
    }
    bus.unregisterObject(objectPath);
    if (reply.isValid()) {
        return Claim::taken;
    }
    qCWarning(desktopLog, "Could not claim %s on the session bus: %s", serviceName,
              qPrintable(reply.error().message()));
    return Claim::noBus;
}

bool SingleInstance::callRunning(const QString& method) {
    const QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, method);
    const QDBusMessage answer =
        QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMilliseconds);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        qCWarning(desktopLog, "The running Snipstack did not answer %s: %s", qPrintable(method),
                  qPrintable(answer.errorMessage()));
        return false;
    }
    return true;
}

void SingleInstance::showSettings() {
    emit showSettingsRequested();
}

void SingleInstance::togglePanel() {
    emit togglePanelRequested();
}

} // namespace snipstack
