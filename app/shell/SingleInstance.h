#pragma once

#include <QObject>
#include <QString>

namespace snipstack {

// One Snipstack per session: the first copy owns the session bus name and serves the calls a later
// copy (or `snipstack --toggle`) makes before quitting.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.orvend.snipstack")
public:
    static constexpr const char* serviceName = "com.orvend.snipstack";
    static constexpr const char* objectPath = "/com/orvend/snipstack";

    enum class Claim {
        // This copy owns the name and serves the calls.
        first,
        // Another copy runs; call it and quit.
        taken,
        // No session bus: nothing to hand over to, so this copy runs on its own.
        noBus,
    };

    Claim claim();
    // Calls `method` ("showSettings" or "togglePanel") on the running copy; false when that failed.
    static bool callRunning(const QString& method);

public slots:
    Q_SCRIPTABLE void showSettings();
    Q_SCRIPTABLE void togglePanel();

signals:
    void showSettingsRequested();
    void togglePanelRequested();
};

} // namespace snipstack
