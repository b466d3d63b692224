// SPDX-License-Identifier: GPL-3.0-or-later
#include "detect/ReadingTable.h"

#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"

namespace torvan {
namespace {

// One letter per row: Header, Footer, Empty, Record, no Date, no Price.
std::string Kinds(const ReadingTable& table) {
    std::string letters;
    for (const TableRow& row : table.rows) {
        letters += "HFERDP"[static_cast<int>(row.kind)];
    }
    return letters;
}

// Per row the date as read ("-" for none) and the columns stored as 0.
std::string Marks(const ReadingTable& table) {
    std::string text;
    for (const TableRow& row : table.rows) {
        text += (row.date.empty() ? "-" : row.date) + ":";
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            text += row.cells[c].storedAsZero ? std::to_string(c + 1) : "";
        }
        text += row.missingSlots != 0 ? "m " : " ";
    }
    return text;
}

TEST(ReadingTable, ReadsEachLineAsTheConversionWould) {
    struct Case {
        const char* what;
        const char* text;
        std::function<void(ImportSettings&)> set;
        std::size_t count;
        const char* kinds;
        const char* marks;
        int columns;
    };
    const auto dmy = [](ImportSettings& s) {
        s.dateFormat = "DD_MM_CCYY";
        s.fieldOn = {1, 0, 0, 0, 1, 1, 0};
        s.fieldCol = {1, 2, 3, 4, 2, 3, 7};
    };
    const Case cases[] = {
        {"header skipped, a bad number, a bad date",
         "Date,Close,Vol\n02/01/2020,1.5,x\n99/99/2020,2,3\n",
         [&](ImportSettings& s) {
             dmy(s);
             s.skipOn = 1;
             s.skipRows = 1;
         },
         10, "HRD", "-: 2020-01-02:3 -: ", 3},
        {"no skip: the header is a line without a date", "Date,Close,Vol\n02/01/2020,1.5,7\n", dmy,
         10, "DR", "-:23 2020-01-02: ", 3},
        {"semicolons split under the semicolon delimiter", "02/01/2020;1.5;7\n",
         [&](ImportSettings& s) {
             dmy(s);
             s.delimiter = 3;
         },
         10, "R", "2020-01-02: ", 3},
        {"a short line's missing field", "02/01/2020,1.5\n\n03/01/2020,abc,1\n", dmy, 10, "REP",
         "2020-01-02:m -: 2020-01-03:2 ", 3},
        {"footer rows at the end, empty lines not counted", "02/01/2020,1,2\nSource\n\n",
         [&](ImportSettings& s) {
             dmy(s);
             s.footerRows = 1;
         },
         10, "RFE", "2020-01-02: -:m -: ", 3},
        {"footer past the rows shown leaves them alone", "02/01/2020,1,2\n03/01/2020,1,2\nEnd\n",
         [&](ImportSettings& s) {
             dmy(s);
             s.footerRows = 1;
         },
         1, "R", "2020-01-02: ", 3},
        {"footer reached by the rows shown", "02/01/2020,1,2\n03/01/2020,1,2\nEnd\n",
         [&](ImportSettings& s) {
             dmy(s);
             s.footerRows = 3;
         },
         1, "F", "2020-01-02: ", 3},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteText(dir.File("in.txt"), c.text);
        ImportSettings settings;
        c.set(settings);
        const ReadingTable table = ReadLinesAsTable(dir.File("in.txt"), settings, c.count);
        EXPECT_TRUE(table.whyNot.empty()) << table.whyNot;
        EXPECT_EQ(Kinds(table), c.kinds);
        EXPECT_EQ(Marks(table), c.marks);
        EXPECT_EQ(table.columns, c.columns);
    }
    ImportSettings settings;
    EXPECT_FALSE(ReadLinesAsTable(dir.File("missing.txt"), settings, 5).whyNot.empty());
}

}  // namespace
}  // namespace torvan
