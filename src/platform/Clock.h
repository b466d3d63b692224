// SPDX-License-Identifier: GPL-3.0-or-later
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

// Replaces the date source for its lifetime (tests), so that a failing test
// can never leave one behind.
class TodaySourceScope {
  public:
    explicit TodaySourceScope(TodaySource source);
    ~TodaySourceScope();
    TodaySourceScope(const TodaySourceScope&) = delete;
    TodaySourceScope& operator=(const TodaySourceScope&) = delete;

  private:
    TodaySource m_previous;
};

}  // namespace torvan
