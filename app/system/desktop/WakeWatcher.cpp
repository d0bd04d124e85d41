#include "app/system/desktop/WakeWatcher.h"

#include <utility>

namespace snipstack {

WakeWatcher::WakeWatcher(std::function<void()> handler, QDBusConnection bus) : handler_(std::move(handler)) {
    // Fails quietly on a disconnected bus; a logind that starts later is still heard.
    bus.connect("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                "PrepareForSleep", this, SLOT(prepareForSleep(bool)));
}

void WakeWatcher::prepareForSleep(bool start) {
    if (!start && handler_) {
        handler_();
    }
}

} // namespace snipstack

// Compiled here rather than with the folder's other meta-object code, so a program that uses
// this class alone does not pull in its neighbours and their platform libraries.
#include "moc_WakeWatcher.cpp"
