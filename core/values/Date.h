#pragma once

#include <compare>

namespace snipstack {

// An absolute point in time: seconds since 2001-01-01 00:00:00 UTC, the epoch of property-list
// dates, so a stored date is exactly this double and round-trips bit for bit.
struct Date {
    double secondsSinceReferenceDate = 0;

    static Date now();
    static Date distantPast() { return Date{-63114076800.0}; }

    Date adding(double seconds) const { return Date{secondsSinceReferenceDate + seconds}; }

    friend auto operator<=>(const Date&, const Date&) = default;
};

} // namespace snipstack
