#pragma once

#include "core/values/Bytes.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct xcb_connection_t;

namespace snipstack {

// Reads the CLIPBOARD selection over an X connection of its own, with deadlines. Qt's own read
// waits a fixed five seconds per request on the calling thread and cannot be shortened; this one
// also leaves Qt's event processing alone. Not for reading a selection this process owns from the
// main thread: the owner would have to answer from the thread that is waiting. One thread at a time.
class X11SelectionReader {
public:
    using Clock = std::chrono::steady_clock;
    enum class Status { delivered, refused, timedOut };
    struct Result {
        Status status = Status::refused;
        Bytes data;
    };

    // Longer values come back cut to just over this, so a caller's size limit still sees them as
    // too large while this process never holds more of a hostile or runaway transfer.
    static constexpr std::size_t maxValueBytes = 64 * 1024 * 1024;

    X11SelectionReader() = default;
    ~X11SelectionReader();
    X11SelectionReader(const X11SelectionReader&) = delete;
    X11SelectionReader& operator=(const X11SelectionReader&) = delete;

    // Whether any program owns the selection; false without an X server.
    bool hasOwner();
    // The owner's bytes for `target`. `patience` bounds every wait for the owner and starts again
    // with each piece of an incremental transfer; nothing waits past `deadline`.
    Result read(std::string_view target, std::chrono::milliseconds patience, Clock::time_point deadline);
    // The names of the atoms in an answer to TARGETS, in its order.
    std::vector<std::string> atomNames(const Bytes& targets);

private:
    bool connect();
    void disconnect();
    std::uint32_t atom(std::string_view name);
    std::optional<std::uint32_t> serverTime(Clock::time_point deadline);
    Result readIncrementally(std::chrono::milliseconds patience, Clock::time_point deadline,
                             std::size_t sizeHint);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t window_ = 0;
    std::uint32_t clipboard_ = 0;
    std::uint32_t property_ = 0;
    std::uint32_t timeProperty_ = 0;
    std::uint32_t incr_ = 0;
    std::map<std::string, std::uint32_t, std::less<>> atoms_;
    std::map<std::uint32_t, std::string> names_;
};

} // namespace snipstack
