// The local clock with one-second resolution, replaceable so tests fix the time.
#pragma once

#include <functional>

namespace quorvel::delivery {

struct LocalTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

using Clock = std::function<LocalTime()>;

// The machine's local time now.
LocalTime SystemLocalTime();
Clock SystemClock();

} // namespace quorvel::delivery
