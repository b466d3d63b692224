#pragma once

#include <functional>

namespace torvan {

struct LocalDate {
    int year = 0;   // full year, e.g. 2026
    int month = 0;  // 1..12
    int day = 0;    // 1..31
};

// Today's local date. Tests replace the source so that dates written into a
// database are predictable.
LocalDate Today();

using TodaySource = std::function<LocalDate()>;

// Installs a date source; returns the one it replaces. An empty source
// restores the system clock.
TodaySource SetTodaySource(TodaySource source);

}  // namespace torvan
