// SPDX-License-Identifier: GPL-3.0-or-later
// The detection stages that decide on a single text, tested on their own.

#include <gtest/gtest.h>

#include "database/Dates.h"
#include "detect/Stages.h"

namespace torvan::test {
namespace {

TEST(DetectStages, StrictDayReadsOnlyTheLayoutsWidthsAndRealDays) {
    struct Case {
        const char* text;
        int code;
        bool reads;
    };
    const Case cases[] = {
        {"2020-01-05", kCCYY_MM_DD, true},
        {"2020-1-5", kCCYY_MM_DD, true},
        {"20-01-05", kCCYY_MM_DD, false},  // the century is missing
        {"2020-01-05", kYY_MM_DD, false},  // a century where there is none
        {"05.01.2020", kMM_DD_CCYY, true},
        {"13/01/2020", kMM_DD_CCYY, false},
        {"31/04/2020", kDD_MM_CCYY, false},  // April has 30 days
        {"29/02/2020", kDD_MM_CCYY, true},
        {"29/02/2100", kDD_MM_CCYY, false},  // the day numbers count it, the calendar does not
        {"28/02/2100", kDD_MM_CCYY, true},
        {"1950-01-03", kCCYY_MM_DD, false},
        {"/05/01/20", kDD_MM_YY, false},
        {"1/2/3/4", kDD_MM_YY, false},
        {"20200105", kCCYYMMDD, true},
        {"200105", kYYMMDD, true},
        {"01052020", kMMDDCCYY, true},
        {"2020015", kCCYYMMDD, false},
        {"20200105", kYYMMDD, false},
        {"2020/0105", kCCYYMMDD, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detect::StrictDay(c.text, c.code) != 0, c.reads)
            << c.text << " as " << DateFormatName(c.code);
    }
    // The day is the one the conversion stores; a two-digit year below 61
    // is of the 2000s.
    EXPECT_EQ(detect::StrictDay("05.01.2020", kDD_MM_CCYY), DateToDayNumber(2020, 1, 5));
    EXPECT_EQ(detect::StrictDay("05/01/60", kDD_MM_YY), DateToDayNumber(2060, 1, 5));
}

TEST(DetectStages, DecimalSeparatorVotes) {
    struct Case {
        const char* text;
        int comma;
        int point;
    };
    const Case cases[] = {
        {"1.234,5", 1, 0},     {"1,234.5", 0, 1},    // both: the later one
        {"12,5", 1, 0},        {"10.25", 0, 1},      // alone, not before three digits
        {"1,234", 0, 0},       {"1.234", 0, 0},      // three digits may be thousands
        {"1,234,567", 0, 1},   {"1.234.567", 1, 0},  // repeated: thousands
        {"2020-01-05x", 0, 0}, {"", 0, 0},           // no number
    };
    for (const Case& c : cases) {
        int comma = 0;
        int point = 0;
        detect::VoteDecimal(c.text, comma, point);
        EXPECT_EQ(comma, c.comma) << c.text;
        EXPECT_EQ(point, c.point) << c.text;
    }
}

}  // namespace
}  // namespace torvan::test
