#include "core/values/Date.h"

#include <chrono>

namespace snipstack {

Date Date::now() {
    // 978307200 seconds lie between the Unix epoch and 2001-01-01.
    using namespace std::chrono;
    const double unixSeconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return Date{unixSeconds - 978307200.0};
}

} // namespace snipstack
