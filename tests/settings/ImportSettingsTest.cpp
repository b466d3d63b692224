// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ImportSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "platform/FileSystem.h"
#include "settings/ProfileStore.h"

namespace torvan {
namespace {

ImportSettings Valid() {
    ImportSettings s;
    s.symbol = "IBM";
    s.pathOut = "/data";
    return s;
}

TEST(SettingsChecks, DuplicateColumnsCountOnlySwitchedOnFields) {
    ImportSettings s = Valid();
    s.fieldCol = {3, 3, 8, 4, 5, 6, 7};  // date and open on column 3
    auto problem = CheckForConversion(s);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message.text, "Duplicate columns specified\nCorrect or disable");
    EXPECT_EQ(problem->setting, Setting::kOpenCol);

    s.fieldOn[kSlotOpen] = 0;  // still holding 3, but disabled
    EXPECT_FALSE(CheckForConversion(s));

    // Column 20 is usable, and two fields on it clash.
    s = Valid();
    s.fieldCol[kSlotClose] = 20;
    EXPECT_FALSE(CheckForConversion(s));
    s.fieldCol[kSlotVolume] = 20;
    problem = CheckForConversion(s);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kVolCol);
}

TEST(SettingsChecks, RangesAreCheckedInExchangeOrderEvenForDisabledFields) {
    ImportSettings s = Valid();
    s.fieldOn[kSlotLow] = 0;
    s.fieldCol[kSlotLow] = 25;
    s.skipRows = 500;
    auto problem = CheckExchange(s, "in.txt");
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kLoCol);
    EXPECT_EQ(problem->message.text, "Please enter an integer between 1 and 20.");
    EXPECT_EQ(problem->message.id, "IntegerOutOfRange");
    EXPECT_EQ(problem->message.params, (std::vector<std::string>{"1", "20"}));

    s.fieldCol[kSlotLow] = 4;
    problem = CheckExchange(s, "in.txt");
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kSkipRows);
    EXPECT_EQ(problem->message.text, "Please enter an integer between 0 and 200.");

    s.skipRows = 200;
    s.fieldCol[kSlotDate] = 0;
    s.name = std::string(17, 'n');  // later in the order than the columns
    problem = CheckExchange(s, "in.txt");
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kDateCol);
    s.fieldCol[kSlotDate] = 1;
    problem = CheckExchange(s, "in.txt");
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kName);
    EXPECT_EQ(problem->message.text, "Enter no more than 16 characters.");
    EXPECT_FALSE(CheckExchange(s, "in.txt", 45));

    s.name.clear();
    s.dateFormat = "MM_DD_CCYY_XX";
    problem = CheckExchange(s, "in.txt");
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kDateFormat);
    s.dateFormat = "MMDDYY";
    problem = CheckExchange(s, std::string(251, 'p'));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kInputPath);
    EXPECT_FALSE(CheckExchange(s, std::string(250, 'p')));
}

TEST(SettingsChecks, SymbolIsTrimmedAtTheEndAndUpperCasedPathMustNotBeBlank) {
    ImportSettings s = Valid();
    s.symbol = " ab \t";
    EXPECT_FALSE(CheckForConversion(s));
    EXPECT_EQ(s.symbol, " AB");

    s.symbol = "  \t ";
    auto problem = CheckForConversion(s);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kSymbol);
    EXPECT_EQ(problem->message.text, "You did not enter a valid symbol");

    s.symbol = "x";
    s.pathOut = "   ";
    problem = CheckForConversion(s);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kPathOut);
    EXPECT_EQ(problem->message.text, "Please enter path");
    s.pathOut = "/data  ";  // trailing blanks are kept as typed
    EXPECT_FALSE(CheckForConversion(s));
    EXPECT_EQ(s.pathOut, "/data  ");
}

TEST(SettingsChecks, SymbolsWithControlCharactersAreRefused) {
    for (const char* symbol : {"A\tB", "A\nB", "A\rB", "\x1b[2J", "A\x7f"}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(symbol)));
        ImportSettings s = Valid();
        s.symbol = symbol;
        const auto problem = CheckForConversion(s);
        ASSERT_TRUE(problem);
        EXPECT_EQ(problem->setting, Setting::kSymbol);
        EXPECT_EQ(problem->message.id, "InvalidSymbol");
    }
}

TEST(SettingsChecks, DateFormatIsTheFirstEntryBeginningWithTheText) {
    EXPECT_EQ(DateFormatCode("MMDDYY"), 9);
    EXPECT_EQ(DateFormatCode("dd"), 5);  // DD_MM_YY comes before DDMMYY
    EXPECT_EQ(DateFormatCode("ccyymmdd"), 8);
    EXPECT_EQ(DateFormatCode("YYYY-MM-DD"), 0);
    EXPECT_EQ(DateFormatList()[4], std::string("DD_MM_YY"));

    test::TempDir dir;
    const std::string input = dir.File("in.txt");
    test::WriteText(input, "01/02/04,1,2,3,4\n");
    ImportSettings s = Valid();
    s.dateFormat = "mm_dd_c";
    int code = 0;
    EXPECT_FALSE(CheckForRun(s, input, code));
    EXPECT_EQ(code, 4);
    s.dateFormat = "Y-M-D";
    auto problem = CheckForRun(s, input, code);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kDateFormat);
    s.dateFormat = "MMDDYY";
    problem = CheckForRun(s, dir.File("missing.txt"), code);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kInputPath);
    problem = CheckForRun(s, dir.Path(), code);  // a directory is no input file
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->setting, Setting::kInputPath);
}

TEST(SettingsChecks, LongNamesWhereTheFolderKeepsThem) {
    test::TempDir dir;
    ImportSettings s;
    s.pathOut = dir.Path();
    s.newMaster = 0;
    EXPECT_EQ(NameLimitFor(s), kMaxNameLength);  // MASTER alone keeps 16
    s.name = std::string(30, 'N');
    EXPECT_TRUE(CheckExchange(s, "in.txt", NameLimitFor(s)));
    for (const char* index : {"EMASTER", "xmaster"}) {
        test::WriteText(dir.File(index), "");
        EXPECT_EQ(NameLimitFor(s), 45U) << index;
        EXPECT_FALSE(CheckExchange(s, "in.txt", NameLimitFor(s))) << index;
        s.newMaster = 1;  // a new MASTER replaces what is there
        EXPECT_EQ(NameLimitFor(s), kMaxNameLength) << index;
        s.newMaster = 0;
        std::filesystem::remove(dir.File(index));
    }
}

TEST(SettingsProfile, FirstRunPathAndConfirmedSave) {
    test::TempDir dir;
    CProfileStore store;
    bool created = false;
    ASSERT_TRUE(store.Open(dir.Path(), "Software\\Quennel\\Torvan", created));

    ImportSettings s;
    s.LoadForDialog(store);
    EXPECT_EQ(s.pathOut, CurrentDirectory());
    EXPECT_EQ(s.dateFormat, "MMDDYY");
    EXPECT_EQ(DateFormatCode(s.dateFormat), 9);
    EXPECT_EQ(s.fieldCol, (std::array<int, kFieldSlots>{1, 2, 3, 4, 5, 6, 7}));

    s.pathOut.clear();
    s.delimiter = -1;
    s.SaveConfirmed(store);
    EXPECT_EQ(store.GetInt("Newbie", "Newbie2", 1), 0);
    EXPECT_EQ(store.GetInt("Import", "Delimiter", 0), -1);
    // Written by the job, not by the dialog.
    EXPECT_EQ(store.GetString("Import", "PathOut", "<none>"), "<none>");

    ImportSettings again;
    again.LoadForDialog(store);
    EXPECT_EQ(again.pathOut, "");  // no longer the first run

    CConverter job;
    again.ApplyTo(job, "in.txt", 9);
    EXPECT_EQ(job.m_szDelimiter, ",");
    EXPECT_EQ(job.m_bExistingMaster, 1);
}

}  // namespace
}  // namespace torvan
