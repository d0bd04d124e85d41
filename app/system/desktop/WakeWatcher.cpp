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
