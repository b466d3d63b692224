// SPDX-License-Identifier: GPL-3.0-or-later
// ParseDateText with every format code; the first byte picks the code.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"
#include "database/Dates.h"

namespace {

int MonthLength(int year, int month) {
    constexpr int kLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kLength[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvan;
    if (size == 0) {
        return 0;
    }
    const int format = data[0] % 14;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::uint16_t day = ParseDateText(text, format);
    if (format < kYY_MM_DD || format > kDDMMCCYY) {
        FUZZ_CHECK(day == 0);
    }
    if (day == 0) {
        return 0;
    }
    // Days past a month's end carry over, so every day number is a real date
    // of the calendar, and it must name the same day when encoded again.
    const CalendarDate date = DayNumberToDate(day);
    FUZZ_CHECK(date.month >= 1 && date.month <= 12);
    FUZZ_CHECK(date.day >= 1 && date.day <= MonthLength(date.year, date.month));
    FUZZ_CHECK(DateToDayNumber(date.year, date.month, date.day) == day);
    return 0;
}
