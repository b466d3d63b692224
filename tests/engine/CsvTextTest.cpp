// SPDX-License-Identifier: GPL-3.0-or-later
// CSV reading of one line, numbers as data sites write them, dates with
// times and month names, the UTF-16 reader, and the month-name tables.
#include <gtest/gtest.h>

#include <cctype>

#include "JobFixture.h"
#include "engine/CsvText.h"
#include "engine/MonthNames.h"
#include "engine/PriceLine.h"
#include "engine/TextReader.h"

namespace torvan::test {
namespace {

using Fields = std::vector<std::string>;

TEST(CsvText, QuotesEmptyFieldsAndPadding) {
    EXPECT_EQ(SplitCsvLine(R"("12/06/2024","2,659.60","","0.42%")", ','),
              (Fields{"12/06/2024", "2,659.60", "", "0.42%"}));
    EXPECT_EQ(SplitCsvLine(R"(a,"say ""hi"", then",c)", ','),
              (Fields{"a", "say \"hi\", then", "c"}));
    EXPECT_EQ(SplitCsvLine("2015-01-02,53.76,,0.58,", ','),
              (Fields{"2015-01-02", "53.76", "", "0.58", ""}));
    EXPECT_EQ(SplitCsvLine("11/09/17, 2584.00 ,2586.50", ','),
              (Fields{"11/09/17", "2584.00", "2586.50"}));
    // Blank-separated: runs of blanks are one separator, quotes keep blanks.
    EXPECT_EQ(SplitCsvLine("  \"03 May 2019\"   11722.60  11770.90 ", ' '),
              (Fields{"03 May 2019", "11722.60", "11770.90"}));
    EXPECT_EQ(SplitCsvLine("a\t\tb\t", '\t'), (Fields{"a", "", "b", ""}));
    EXPECT_EQ(SplitCsvLine("\"unterminated,x", ','), (Fields{"unterminated,x"}));
    EXPECT_TRUE(SplitCsvLine("", ',').empty());
    EXPECT_EQ(SplitCsvLine("1,2,3,4", ',', 2), (Fields{"1", "2"}));
    // The plain splitting drops empty fields, so later columns move left.
    EXPECT_EQ(SplitPlainLine(",a,,b,", ','), (Fields{"a", "b"}));
}

TEST(CsvText, NumbersAsDataSitesWriteThem) {
    const std::vector<std::tuple<std::string, bool, std::string>> cases = {
        {"2,659.60", false, "2659.60"},
        {"40,019,422", false, "40019422"},
        {"156.12K", false, "156120"},
        {"1.5M", false, "1500000"},
        {"2B", false, "2000000000"},
        {"0.42%", false, "0.42"},
        {"-1.04%", false, "-1.04"},
        {"1.234,56", true, "1234.56"},
        {"141,6", true, "141.6"},
        {"1 234,5", true, "1234.5"},
        {"1\xC2\xA0"
         "234,5",
         true, "1234.5"},
        {" 268711.0 ", false, "268711.0"},
        {"1.5e3", false, "1.5e3"},
        {"12.5abc", false, "12.5"},
        {"$3.25", false, "3.25"},
        {"", false, ""},
        {"null", false, ""},
        {"-", false, ""},
        {"n/a", false, ""},
        {"K", false, ""},
    };
    for (const auto& [text, decimalComma, expected] : cases) {
        EXPECT_EQ(CsvNumberText(text, decimalComma), expected) << text;
    }
    // Moving the digits keeps suffixed volumes exact.
    EXPECT_EQ(ReadCsvNumber("156.12K", false), 156120.0F);
    EXPECT_EQ(ReadCsvNumber("2,778,192", false), 2778192.0F);
    EXPECT_FALSE(ReadCsvNumber("\"\"", false));
}

TEST(CsvText, DatesWithTimesAndMonthNames) {
    const std::vector<std::tuple<std::string, bool, std::string>> cases = {
        {"15/12/1980 16:00:00", false, "15/12/1980"},
        {"05.06.2009 08:00:00.000 GMT+0800", false, "05.06.2009"},
        {"2019-07-10T16:00:00Z", false, "2019-07-10"},
        {"2007-01-01 00:00", false, "2007-01-01"},
        {"16:00", false, ""},
        {"4:00 PM 12/31/2019", false, "12/31/2019"},
        {"03 May 2019", true, "03 05 2019"},
        {"09-AUG-2024", true, "09-08-2024"},
        {"Jan 15, 2003", true, "01 15,2003"},
        {"15JAN03", true, "15/01/03"},
        {"Mon, 03 May 2019", true, "03 05 2019"},
        {"September 3 2019", true, "09 3 2019"},
        {"3-Sept-19", true, "3-09-19"},
        {"\"20190710\"", false, "20190710"},
        {"20240102 093000", false, "20240102"},
        {"240102 0930", false, "240102"},
        {"02 01 2024", false, "02 01 2024"},
        {"20240102 0930 GMT", false, "20240102 0930"},
    };
    for (const auto& [text, monthNames, expected] : cases) {
        EXPECT_EQ(NormalizeCsvDate(text, monthNames), expected) << text;
    }
    EXPECT_EQ(ParseDateText(NormalizeCsvDate("03 May 2019", true), kDD_MM_CCYY),
              DateToDayNumber(2019, 5, 3));
    EXPECT_EQ(ParseDateText(NormalizeCsvDate("Jan 15, 2003", true), kMM_DD_CCYY),
              DateToDayNumber(2003, 1, 15));
}

// Every month name, full and three letters, in any letter case, is its own
// month: a wrong entry in either table would store every such date wrong.
TEST(MonthNames, EveryNameIsItsOwnMonthInAnyCase) {
    const std::array<std::string, 12> names = {"january",   "february", "march",    "april",
                                               "may",       "june",     "july",     "august",
                                               "september", "october",  "november", "december"};
    auto cased = [](std::string text, int how) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool up = how == 1 || (how == 2 && i == 0) || (how == 3 && i % 2 == 1);
            text[i] =
                static_cast<char>(up ? std::toupper(static_cast<unsigned char>(text[i])) : text[i]);
        }
        return text;
    };
    for (int m = 1; m <= 12; ++m) {
        const std::string& full = names[static_cast<std::size_t>(m - 1)];
        const std::string number = (m < 10 ? "0" : "") + std::to_string(m);
        for (int how = 0; how < 4; ++how) {
            const std::string three = cased(full.substr(0, 3), how);
            const std::string whole = cased(full, how);
            EXPECT_EQ(MonthNumber(three), m) << three;
            EXPECT_EQ(MonthNumber(whole), m) << whole;
            // The plain translation knows the three letters.
            std::string date = "15-" + three + "-03";
            EXPECT_EQ(TranslateMonthName(date), 1);
            EXPECT_EQ(date, "15-" + number + "-03") << three;
            EXPECT_EQ(ParseDateText(date, kDD_MM_YY), DateToDayNumber(2003, m, 15)) << three;
            // The CSV reading knows both, in either order with the day.
            EXPECT_EQ(ParseDateText(NormalizeCsvDate("15 " + whole + " 2003", true), kDD_MM_CCYY),
                      DateToDayNumber(2003, m, 15))
                << whole;
            EXPECT_EQ(ParseDateText(NormalizeCsvDate(three + " 15, 2003", true), kMM_DD_CCYY),
                      DateToDayNumber(2003, m, 15))
                << three;
        }
    }
    for (const char* other : {"", "ja", "jam", "janu", "mayo", "Sep.", "octobre", "dec1"}) {
        EXPECT_EQ(MonthNumber(other), 0) << other;
    }
    EXPECT_EQ(MonthNumber("Sept"), 9);
}

TEST(CsvText, OneLineReadAlikeForPreviewAndConversion) {
    LineLayout layout;
    layout.csv = true;
    layout.dateFormat = kMM_DD_CCYY;
    layout.fieldOn = {1, 1, 1, 1, 1, 1, 0};
    layout.fieldCol = {0, 2, 3, 4, 1, 5, 6};
    PriceLine line = ReadPriceLine(
        R"("12/05/2024","2,648.40","2,674.20","2,680.00","2,646.30","156.12K","-1.04%")", layout);
    ASSERT_EQ(line.kind, LineKind::kRecord);
    EXPECT_EQ(line.day, DateToDayNumber(2024, 12, 5));
    EXPECT_EQ(line.values[kSlotClose], 2648.4F);
    EXPECT_EQ(line.values[kSlotOpen], 2674.2F);
    EXPECT_EQ(line.values[kSlotVolume], 156120.0F);
    EXPECT_FALSE(line.missingColumns);
    // An empty volume is 0, empty prices make no price line, a short line
    // lacks columns, a line of empty fields is empty.
    EXPECT_EQ(ReadPriceLine(R"("12/06/2024","1","2","3","4","")", layout).values[kSlotVolume],
              0.0F);
    EXPECT_EQ(ReadPriceLine(R"("07/05/1990","","","","")", layout).kind, LineKind::kNoPrice);
    line = ReadPriceLine("12/06/2024,1", layout);
    EXPECT_EQ(line.kind, LineKind::kRecord);
    EXPECT_TRUE(line.missingColumns);
    EXPECT_EQ(ReadPriceLine(",,,", layout).kind, LineKind::kEmpty);
    EXPECT_EQ(ReadPriceLine("\"16:00\",1,2,3,4,5", layout).kind, LineKind::kNoDate);
    // The plain reading of the same quoted line finds no date (the
    // closing quote makes it too long) and no number.
    layout.csv = false;
    EXPECT_EQ(ReadPriceLine(R"("12/06/2024","1","2","3","4","5")", layout).kind, LineKind::kNoDate);
    layout.dateFormat = kMMDDCCYY;
    EXPECT_EQ(ReadPriceLine(R"(12062024,"1","2","3","4","5")", layout).kind, LineKind::kNoPrice);
}

TEST(TextReaderTest, DecodesUtf16InBothOrdersAndPassesMarksOver) {
    TempDir dir;
    const std::string path = dir.File("t.txt");
    auto lines = [&](const std::string& bytes) {
        WriteText(path, bytes);
        TextReader reader;
        EXPECT_TRUE(reader.Open(path));
        std::vector<std::string> out;
        std::string line;
        while (reader.ReadLine(line)) {
            out.push_back(line);
        }
        return out;
    };
    // "a€\r\n" then U+1F600 and "x" without a line end.
    EXPECT_EQ(lines(std::string("\xFF\xFE"
                                "a\0\xAC\x20\r\0\n\0\x3D\xD8\x00\xDEx\0",
                                16)),
              (Fields{"a\xE2\x82\xAC\r\n", "\xF0\x9F\x98\x80x"}));
    EXPECT_EQ(lines(std::string("\xFE\xFF\0a\0\n\xD8\x3D\0b", 10)),
              (Fields{"a\n",
                      "\xEF\xBF\xBD"
                      "b"}));  // a lone surrogate is marked
    EXPECT_EQ(lines("\xEF\xBB\xBF"
                    "1,2\n3,4"),
              (Fields{"1,2\n", "3,4"}));
    EXPECT_EQ(lines("plain\r\n"), (Fields{"plain\r\n"}));
    EXPECT_TRUE(StartsWithUtf16Mark(path) == false);
    WriteText(path, std::string("\xFF\xFE", 2));
    EXPECT_TRUE(StartsWithUtf16Mark(path));
    EXPECT_TRUE(lines(std::string("\xFF\xFE", 2)).empty());
}

}  // namespace
}  // namespace torvan::test
