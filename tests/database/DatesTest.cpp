// SPDX-License-Identifier: GPL-3.0-or-later
// The day-number calendar, stored dates and the twelve date text layouts.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "TestSupport.h"
#include "database/Dates.h"

namespace torvan::test {
namespace {

struct Ymd {
    int year;  // full year
    int month;
    int day;
};

// The calendar walked one day at a time, independently of the code under
// test: every year divisible by 4 is a leap year, as in the stored format.
int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && year % 4 == 0 ? 29 : kDays[month - 1];
}

Ymd NextDay(Ymd d) {
    if (++d.day > DaysInMonth(d.year, d.month)) {
        d.day = 1;
        if (++d.month > 12) {
            d.month = 1;
            ++d.year;
        }
    }
    return d;
}

std::string Format(const char* layout, int a, int b, int c) {
    char text[48];
    std::snprintf(text, sizeof text, layout, a, b, c);
    return text;
}

TEST(DateCalendar, EveryDayNumberAgreesWithAWalkedCalendar) {
    int failures = 0;
    Ymd d{1961, 1, 1};
    for (unsigned n = 1; n <= 65535; ++n, d = NextDay(d)) {
        const auto day = static_cast<std::uint16_t>(n);
        const CalendarDate c = DayNumberToDate(day);
        const int yy = d.year % 100;
        bool ok =
            c.year == d.year - 1900 && c.month == d.month && c.day == d.day &&
            DateToDayNumber(d.year, d.month, d.day) == day &&
            DateToDayNumber(d.year - 1900, d.month, d.day) == day &&
            MbfToFloat(DayNumberToStoredDate(day)) ==
                static_cast<float>((d.year - 1900) * 10000 + d.month * 100 + d.day) &&
            ParseDateText(Format("%04d%02d%02d", d.year, d.month, d.day), kCCYYMMDD) == day &&
            ParseDateText(Format("%d-%d-%d", d.year, d.month, d.day), kCCYY_MM_DD) == day &&
            ParseDateText(Format("%02d.%02d.%04d", d.day, d.month, d.year), kDD_MM_CCYY) == day;
        // Two-digit years cover 1961..2060 only.
        if (d.year <= 2060) {
            ok = ok && ParseDateText(Format("%d/%d/%02d", d.month, d.day, yy), kMM_DD_YY) == day &&
                 ParseDateText(Format("%02d%02d%02d", yy, d.month, d.day), kYYMMDD) == day;
        }
        if (!ok && ++failures <= 5) {
            ADD_FAILURE() << "day number " << n << " = " << d.year << "-" << d.month << "-" << d.day
                          << " gives " << c.year << "/" << c.month << "/" << c.day;
        }
    }
    EXPECT_EQ(failures, 0);
    // The walk stopped the day after 4 June 2140, the last day number.
    EXPECT_TRUE(d.year == 2140 && d.month == 6 && d.day == 5);
}

TEST(DateCalendar, KnownDaysAndCarries) {
    auto same = [](CalendarDate c, int y, int m, int d) {
        return c.year == y && c.month == m && c.day == d;
    };
    EXPECT_TRUE(same(DayNumberToDate(1), 61, 1, 1));
    EXPECT_TRUE(same(DayNumberToDate(14245), 100, 1, 1));
    EXPECT_TRUE(same(DayNumberToDate(65535), 240, 6, 4));
    EXPECT_TRUE(same(DayNumberToDate(0), 0, 0, 0));
    EXPECT_EQ(DateToDayNumber(2004, 3, 15), 15780);
    EXPECT_EQ(DateToDayNumber(104, 3, 15), 15780);
    EXPECT_EQ(ParseDateText("3/15/04", kMM_DD_YY), 15780);
    EXPECT_EQ(DateToDayNumber(2004, 0, 15), 0);
    EXPECT_EQ(DateToDayNumber(2004, 13, 15), 0);
    // Days past a month's end and day 0 carry.
    EXPECT_EQ(DateToDayNumber(2001, 2, 29), DateToDayNumber(2001, 3, 1));
    EXPECT_EQ(DateToDayNumber(2004, 4, 31), DateToDayNumber(2004, 5, 1));
    EXPECT_EQ(DateToDayNumber(2004, 3, 0), DateToDayNumber(2004, 2, 29));
}

TEST(DateStored, BytesOfKnownDays) {
    const Bytes4 march15 = DayNumberToStoredDate(15780);
    EXPECT_EQ(Hex({march15.begin(), march15.end()}), "b0 fb 7d 94");
    EXPECT_EQ(MbfToFloat(DayNumberToStoredDate(DateToDayNumber(1999, 12, 31))), 991231.0F);
    const Bytes4 none = DayNumberToStoredDate(0);
    EXPECT_EQ(Hex({none.begin(), none.end()}), "00 00 00 00");
}

struct ParseCase {
    std::string text;
    int format;
    Ymd expected;  // year 0: no date
};

std::ostream& operator<<(std::ostream& os, const ParseCase& c) {
    return os << '"' << c.text << "\" format " << c.format;
}

class DateParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DateParse, GivesTheExpectedDayNumber) {
    const ParseCase& c = GetParam();
    const std::uint16_t expected =
        c.expected.year == 0 ? 0
                             : DateToDayNumber(c.expected.year, c.expected.month, c.expected.day);
    EXPECT_EQ(ParseDateText(c.text, c.format), expected);
}

INSTANTIATE_TEST_SUITE_P(
    DateLayouts, DateParse,
    ::testing::Values(ParseCase{"04/03/15", kYY_MM_DD, {2004, 3, 15}},
                      ParseCase{"2004-3-5", kCCYY_MM_DD, {2004, 3, 5}},
                      ParseCase{"2004/03/05", kCCYY_MM_DD, {2004, 3, 5}},
                      ParseCase{"3/15/04", kMM_DD_YY, {2004, 3, 15}},
                      ParseCase{"03/15/2004", kMM_DD_CCYY, {2004, 3, 15}},
                      ParseCase{"15.03.04", kDD_MM_YY, {2004, 3, 15}},
                      ParseCase{"15.3.2004", kDD_MM_CCYY, {2004, 3, 15}},
                      ParseCase{"040315", kYYMMDD, {2004, 3, 15}},
                      ParseCase{"20040305", kCCYYMMDD, {2004, 3, 5}},
                      ParseCase{"031504", kMMDDYY, {2004, 3, 15}},
                      ParseCase{"03152004", kMMDDCCYY, {2004, 3, 15}},
                      ParseCase{"150304", kDDMMYY, {2004, 3, 15}},
                      ParseCase{"15032004", kDDMMCCYY, {2004, 3, 15}},
                      // Two-character year in a four-digit layout.
                      ParseCase{"3/15/04", kMM_DD_CCYY, {1999, 3, 15}},
                      // Everything between the first and the last separator is the middle field.
                      ParseCase{"1/2/3/04", kMM_DD_YY, {2004, 1, 2}}));

INSTANTIATE_TEST_SUITE_P(DateCenturyWindow, DateParse,
                         ::testing::Values(ParseCase{"12/31/99", kMM_DD_YY, {1999, 12, 31}},
                                           ParseCase{"01/01/60", kMM_DD_YY, {2060, 1, 1}},
                                           ParseCase{"01/01/61", kMM_DD_YY, {1961, 1, 1}},
                                           ParseCase{"000101", kYYMMDD, {2000, 1, 1}},
                                           ParseCase{"1961-01-01", kCCYY_MM_DD, {1961, 1, 1}},
                                           ParseCase{"1960-12-31", kCCYY_MM_DD, {}},
                                           ParseCase{"1955-01-03", kCCYY_MM_DD, {}},
                                           ParseCase{"19550103", kCCYYMMDD, {}},
                                           ParseCase{"01/03/1955", kMM_DD_CCYY, {}},
                                           ParseCase{"01010000", kDDMMCCYY, {}},
                                           // The calendar's last day, then past it.
                                           ParseCase{"21400604", kCCYYMMDD, {2140, 6, 4}},
                                           ParseCase{"21400605", kCCYYMMDD, {}},
                                           ParseCase{"2150-01-01", kCCYY_MM_DD, {}},
                                           ParseCase{"01012150", kMMDDCCYY, {}}));

INSTANTIATE_TEST_SUITE_P(
    DateOddTexts, DateParse,
    ::testing::Values(ParseCase{"\"031504", kMMDDYY, {2004, 3, 15}},
                      ParseCase{"  \"3/15/04", kMM_DD_YY, {2004, 3, 15}},
                      // A closing quote is the last separator: the year field is empty.
                      ParseCase{"3/15/04\"", kMM_DD_YY, {2000, 3, 1}},
                      // Ten characters after the leading blanks are accepted, eleven are not.
                      ParseCase{"   2004-03-15", kCCYY_MM_DD, {2004, 3, 15}},
                      ParseCase{"2004031500", kCCYYMMDD, {2004, 3, 15}},
                      ParseCase{"20040315000", kCCYYMMDD, {}}, ParseCase{"", kMM_DD_YY, {}},
                      ParseCase{"   ", kMM_DD_YY, {}}, ParseCase{"\"", kMM_DD_YY, {}},
                      ParseCase{"3/15/04", 0, {}}, ParseCase{"3/15/04", 13, {}},
                      ParseCase{"3/1504", kMM_DD_YY, {}}, ParseCase{"00/00/00", kMM_DD_YY, {}},
                      ParseCase{"13/01/04", kMM_DD_YY, {}}, ParseCase{"00/15/04", kMM_DD_YY, {}},
                      // Day 0 and days past a month's end carry into the next month.
                      ParseCase{"29/02/01", kDD_MM_YY, {2001, 3, 1}},
                      ParseCase{"31/04/04", kDD_MM_YY, {2004, 5, 1}},
                      ParseCase{"00/03/04", kDD_MM_YY, {2004, 2, 29}}));

// The conversion reads dates through ParseStoredDate; it must store exactly
// what ParseDateText and DayNumberToStoredDate give, for every text.
void ExpectStoredDateAgrees(const std::string& text, int format) {
    Bytes4 stored{9, 9, 9, 9};
    const std::uint16_t day = ParseStoredDate(text, format, stored);
    const std::uint16_t expected = ParseDateText(text, format);
    ASSERT_EQ(day, expected) << '"' << text << "\" in layout " << format;
    ASSERT_EQ(stored, DayNumberToStoredDate(expected)) << '"' << text << "\" in layout " << format;
}

TEST(ParseStoredDate, AgreesWithTheDayNumberForEverySixDigitDate) {
    char text[8];
    for (int format : {kYYMMDD, kMMDDYY, kDDMMYY}) {
        for (int n = 0; n < 1000000; ++n) {
            std::snprintf(text, sizeof text, "%06d", n);
            ExpectStoredDateAgrees(text, format);
        }
    }
}

TEST(ParseStoredDate, AgreesWithTheDayNumberForEightDigitDates) {
    // Every year and month of the centuries around the calendar's span, with
    // the days where months end and the ones that cannot be.
    char text[16];
    for (int format : {kCCYYMMDD, kMMDDCCYY, kDDMMCCYY, kYYMMDD, kMMDDYY}) {
        for (int century : {0, 18, 19, 20, 21, 22, 99}) {
            for (int year = 0; year < 100; ++year) {
                for (int month = 0; month < 14; ++month) {
                    for (int day : {0, 1, 15, 28, 29, 30, 31, 32, 99}) {
                        const int c = century;
                        if (format == kCCYYMMDD || format == kYYMMDD) {
                            std::snprintf(text, sizeof text, "%02d%02d%02d%02d", c, year, month,
                                          day);
                        } else if (format == kMMDDCCYY || format == kMMDDYY) {
                            std::snprintf(text, sizeof text, "%02d%02d%02d%02d", month, day, c,
                                          year);
                        } else {
                            std::snprintf(text, sizeof text, "%02d%02d%02d%02d", day, month, c,
                                          year);
                        }
                        ExpectStoredDateAgrees(text, format);
                    }
                }
            }
        }
    }
}

TEST(ParseStoredDate, AgreesWithTheDayNumberForOtherTexts) {
    const char* texts[] = {"",           "1",          "12345",    "1234567",  "123456789",
                           "0102 3",     " 010203",    "010203 ",  "\"010203", "01/02/03",
                           "01-02-2003", "2003-01-02", "0x0203",   "+10203",   "-10203",
                           "1e0203",     "99999999",   "00000000", "21391231", "21400101",
                           "01.02.03",   "3/15/04",    "2004-3-5", "29/02/01", "00/03/04"};
    for (const char* text : texts) {
        for (int format = 0; format <= 13; ++format) {
            ExpectStoredDateAgrees(text, format);
        }
    }
    // A NUL ends the date text.
    ExpectStoredDateAgrees(std::string("0102\0003", 7), kMMDDYY);
    ExpectStoredDateAgrees(std::string("010203\0", 7), kMMDDYY);
}

TEST(DateFormatNames, CodesAndLabelsMatchBothWays) {
    const char* labels[] = {"YY_MM_DD", "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY",
                            "DD_MM_YY", "DD_MM_CCYY", "YYMMDD",   "CCYYMMDD",
                            "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY"};
    for (int code = 1; code <= 12; ++code) {
        EXPECT_EQ(DateFormatName(code), labels[code - 1]);
        EXPECT_EQ(DateFormatFromName(labels[code - 1]), code);
    }
    EXPECT_EQ(DateFormatFromName("ccyymmdd"), kCCYYMMDD);
    EXPECT_TRUE(DateFormatName(0).empty());
    EXPECT_TRUE(DateFormatName(13).empty());
    EXPECT_EQ(DateFormatFromName("CCYYMMD"), 0);
    EXPECT_EQ(DateFormatFromName(""), 0);
}

}  // namespace
}  // namespace torvan::test
