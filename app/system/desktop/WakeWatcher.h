#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>

namespace snipstack {

// Runs a handler on the main thread whenever logind reports that the machine woke from sleep.
// Without a system bus or logind it simply never runs. Create it on the main thread.
class WakeWatcher final : public QObject {
    Q_OBJECT

public:
    // `bus` is where logind is listened for; tests pass a private bus.
    explicit WakeWatcher(std::function<void()> handler, QDBusConnection bus = QDBusConnection::systemBus());

private slots:
    // logind sends true before suspending and false after resuming.
    void prepareForSleep(bool start);

private:
    std::function<void()> handler_;
};

} // namespace snipstack
