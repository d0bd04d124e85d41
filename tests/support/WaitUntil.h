#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <chrono>
#include <functional>
#include <thread>

namespace snipstack::testing {

// Runs the event loop until `done` holds; false when `timeout` passes first. A millisecond's sleep
// between turns leaves the processor to the other programs a test drives (X server, owners).
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    for (QDeadlineTimer deadline(timeout); !done() && !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

inline void runEventsFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

} // namespace snipstack::testing
