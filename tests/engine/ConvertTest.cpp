// SPDX-License-Identifier: GPL-3.0-or-later
// Text lines into price records: splitting, dates, numbers, the final
// updates of MASTER and the data file header.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "JobFixture.h"
#include "engine/TextReader.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNumericOnly =
    "You specified a numeric-only date format\nbut a non-numeric date character was found.";
constexpr const char* kSeparated =
    "You specified a character-separated date format\nbut only numeric date characters were "
    "found.";

class Convert : public JobTest {
  protected:
    // Runs a new-master job over text; fields Date..Volume in columns 1..6.
    int RunOn(const std::string& text, int format = kMM_DD_YY,
              const std::function<void(CConverter&)>& adjust = {}) {
        CConverter job;
        Fill(job, Input("in.txt", text), format);
        job.m_bFieldOn[kSlotOpenInterest] = 0;
        if (adjust) {
            adjust(job);
        }
        const int status = job.Run();
        m_result = job.Result();
        return status;
    }
    std::uint16_t RecordCount() const {
        auto bytes = ReadBytes(m_db.File("F1.DAT"));
        return GetU16(bytes.data() + 2);
    }
    JobResult m_result;  // of the last RunOn
};

TEST_F(Convert, LinesBecomeRecordsWithCountAndDates) {
    ASSERT_EQ(RunOn("01/02/04,10,11,9,10.5,1000\n01/05/04,10.5,12,10,11.75,2500\n"), 0);
    const auto bytes = ReadBytes(m_db.File("F1.DAT"));
    ASSERT_EQ(bytes.size(), 3 * 24U);
    EXPECT_EQ(Hex({bytes.begin(), bytes.begin() + 24}),
              Hex({0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}));
    auto rec = [&](int i) {
        return std::vector<std::uint8_t>(bytes.begin() + 24 * i, bytes.begin() + 24 * (i + 1));
    };
    const Bytes4 date = FloatToMbf(1040102.0F);
    EXPECT_EQ(Hex(rec(1)),
              Hex({date[0], date[1], date[2], date[3], 0, 0, 0x20, 0x84, 0, 0, 0x30, 0x84,
                   0,       0,       0x10,    0x84,    0, 0, 0x28, 0x84, 0, 0, 0x7a, 0x8a}));
    EXPECT_EQ(Records(1, 6)[1], (std::vector<float>{1040105, 10.5F, 12, 10, 11.75F, 2500}));
    EXPECT_EQ(Stored(Entry(1).firstDate), 1040102.0F);
    EXPECT_EQ(Stored(Entry(1).lastDate), 1040105.0F);
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_FALSE(FileExists(m_db.File("F1.NEW")));
    EXPECT_FALSE(FileExists(m_db.File("MASTER.NEW")));
}

TEST_F(Convert, ColumnSplittingRules) {
    // An empty field makes no column; a column a line lacks reads as empty,
    // so its field is 0 (never "123" nor an earlier line's value); blanks as
    // delimiter fold; a 21st column is ignored.
    ASSERT_EQ(RunOn("01/02/04,,11,9,10.5\n"
                    "01/05/04,1,2,3,4,5\n"
                    "01/06/04,7\n"),
              0);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[0], (std::vector<float>{1040102, 11, 9, 10.5F, 0, 0}));
    EXPECT_EQ(records[2], (std::vector<float>{1040106, 7, 0, 0, 0, 0}));
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Texts()[0],
              "2 lines have fewer columns than the settings need; their missing fields were "
              "stored as 0. The first is line 1.");
    EXPECT_EQ(m_messages.Messages()[0].id, "LinesMissingColumns");
    EXPECT_EQ(m_messages.Messages()[0].params, (std::vector<std::string>{"2", "1"}));
    EXPECT_EQ(m_messages.Messages()[0].type, static_cast<unsigned>(kMbOk | kMbIconExclamation));
    EXPECT_EQ(m_result.outcome, Outcome::kConvertedWithWarnings);
    EXPECT_EQ(m_result.recordsWritten, 3);
    EXPECT_EQ(m_result.linesMissingColumns, 2);
    EXPECT_EQ(m_result.firstLineMissingColumns, 1);
    EXPECT_EQ(m_result.linesWithoutDate, 0);

    m_db.~TempDir();
    new (&m_db) TempDir();
    std::string wide = "01/02/04";
    for (int i = 2; i <= 21; ++i) {
        wide += "   " + std::to_string(i);
    }
    ASSERT_EQ(RunOn("  " + wide + "  \n", kMM_DD_YY,
                    [](CConverter& job) {
                        job.m_szDelimiter = " ";
                        job.m_nFieldCol[kSlotVolume] = 19;
                    }),
              0);
    EXPECT_EQ(Records(1, 6)[0], (std::vector<float>{1040102, 2, 3, 4, 5, 20}));
}

TEST_F(Convert, NumbersReadLikeScanfInAnyLocale) {
    // A comma-decimal locale must not change how 10.5 reads.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    const std::string text =
        "01/02/04,1.5e3,12.5abc,n/a,\"7\",-.25\n"
        "01/05/04, +2,1e39,1e-39,null,-\n";
    const int status = RunOn(text);
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_EQ(status, 0);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 2U);
    // Text that is no number reads as 0, not as the previous line's value.
    EXPECT_EQ(records[0], (std::vector<float>{1040102, 1500, 12.5F, 0, 0, -0.25F}));
    EXPECT_EQ(records[1][1], 2.0F);
    EXPECT_GT(records[1][2], 1e38F);  // clamped to the largest value, not wrapped
    EXPECT_EQ(records[1][3], 0.0F);
    EXPECT_EQ(records[1][4], 0.0F);
    if (!german) {
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed; read in the C locale only";
    }
}

TEST_F(Convert, FirstLineDateChecks) {
    // Digits only with a separated layout: told, and the run stops with
    // nothing kept, not even the new MASTER.
    EXPECT_EQ(RunOn("20040102,1,2,3,4,5\n01/05/04,1,2,3,4,5\n"), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Texts()[0], kSeparated);
    EXPECT_EQ(m_messages.Messages()[0].type, static_cast<unsigned>(kMbOk));
    EXPECT_TRUE(fs::is_empty(m_db.Path()));

    // Letters with a numeric-only layout, into an existing database.
    EXPECT_EQ(RunOn("01/02/04,1,2,3,4,5\n"), 0);
    const auto master = Master();
    const auto data = ReadBytes(m_db.File("F1.DAT"));
    EXPECT_EQ(RunOn("15-Jan-04,1,2,3,4,5\n010504,1,2,3,4,5\n0106x4,1,2,3,4,5\n", kMMDDYY,
                    [](CConverter& job) {
                        job.m_bExistingMaster = 1;
                        job.m_szSymbol = "OTHER";
                    }),
              1);
    ASSERT_EQ(m_messages.Texts().size(), 2U);
    EXPECT_EQ(m_messages.Texts()[1], kNumericOnly);
    EXPECT_EQ(Master(), master);
    EXPECT_EQ(ReadBytes(m_db.File("F1.DAT")), data);
    EXPECT_FALSE(FileExists(m_db.File("F2.DAT")));
    EXPECT_FALSE(FileExists(m_db.File("MASTER.BAK")));

    m_db.~TempDir();
    new (&m_db) TempDir();
    // A recognised month name excuses the letters; only the first line is checked.
    EXPECT_EQ(RunOn("Jan0504,1,2,3,4,5\n0106x4,1,2,3,4,5\n", kMMDDYY,
                    [](CConverter& job) { job.m_bMonthNames = 1; }),
              0);
    EXPECT_EQ(Records(1, 6).at(0).at(0), 1040105.0F);
}

TEST_F(Convert, LinesWithoutADateAreLeftOutAndReported) {
    const int status = RunOn(
        "01/02/04,1,2,3,4,5\n"
        "13/02/04,1,2,3,4,5\n"  // month 13
        "   \n"                 // blanks: one column, no date
        "\n"
        "xx/yy/zz,1,2,3,4,5\n"  // nothing numeric
        "01/06/04,6,7,8,9,10\n");
    EXPECT_EQ(status, 0);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[1][0], 1040106.0F);
    EXPECT_EQ(RecordCount(), 3);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("3 lines"), std::string::npos) << m_messages.Texts()[0];
    EXPECT_NE(m_messages.Texts()[0].find("line 2 "), std::string::npos) << m_messages.Texts()[0];
}

TEST_F(Convert, ShortLinesAreCountedOnceAndAMissingDateIsNoDate) {
    // Date in the last column: a line without it has no date and is counted
    // with the undated lines only; a single short line reads in the singular.
    const int status = RunOn(
        "1,2,3,4,5,01/02/04\n"
        "1,2,3\n"
        "6,7,8,9,01/05/04\n"
        "6,7,8,9,10,01/06/04\n",
        kMM_DD_YY, [](CConverter& job) { job.m_nFieldCol = {5, 0, 1, 2, 3, 4, 6}; });
    EXPECT_EQ(status, 0);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0], (std::vector<float>{1040102, 1, 2, 3, 4, 5}));
    EXPECT_EQ(records[1], (std::vector<float>{1040106, 6, 7, 8, 9, 10}));
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Messages()[0].id, "LinesWithoutDate");
    EXPECT_EQ(m_messages.Messages()[0].params, (std::vector<std::string>{"2", "2"}));
    EXPECT_EQ(m_result.linesWithoutDate, 2);
    EXPECT_EQ(m_result.linesMissingColumns, 0);

    m_db.~TempDir();
    new (&m_db) TempDir();
    ASSERT_EQ(RunOn("01/02/04,1,2,3,4,5\n01/05/04,1,2,3,4\n01/06/04,1,2,3,4,5\n"), 0);
    EXPECT_EQ(Records(1, 6).at(1), (std::vector<float>{1040105, 1, 2, 3, 4, 0}));
    ASSERT_EQ(m_messages.Texts().size(), 2U);
    EXPECT_EQ(m_messages.Texts()[1],
              "1 line has fewer columns than the settings need; its missing fields were stored "
              "as 0. It is line 2.");
    EXPECT_EQ(m_result.linesMissingColumns, 1);
    EXPECT_EQ(m_result.firstLineMissingColumns, 2);
}

TEST_F(Convert, LinesWithADateButNoPriceAreLeftOutAndReported) {
    const int status = RunOn(
        "01/02/04,1,2,3,4,5\n"
        "01/05/04,null,null,null,null,0\n"    // a holiday row
        "01/06/04,n/a,2,-,\"4\",5\n"          // one number is a price
        "01/07/04\n"                          // no price column at all
        "01/08/04,null,null,null,null,500\n"  // a volume is no price
        "01/09/04,0,0,0,0,0\n");              // zero is a number
    EXPECT_EQ(status, 0);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[1], (std::vector<float>{1040106, 0, 2, 0, 0, 5}));
    EXPECT_EQ(records[2], (std::vector<float>{1040109, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RecordCount(), 4);
    EXPECT_EQ(Stored(Entry(1).lastDate), 1040109.0F);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Texts()[0],
              "3 lines have a date but no price (no open, high, low or close is a number) and "
              "were not converted.\nThe first is line 2 of the input file.");
    EXPECT_EQ(m_messages.Messages()[0].id, "LinesWithoutPrice");
    EXPECT_EQ(m_messages.Messages()[0].params, (std::vector<std::string>{"3", "2"}));
    EXPECT_EQ(m_messages.Messages()[0].type, static_cast<unsigned>(kMbOk | kMbIconExclamation));
    EXPECT_EQ(m_result.outcome, Outcome::kConvertedWithWarnings);
    EXPECT_EQ(m_result.recordsWritten, 3);
    EXPECT_EQ(m_result.linesWithoutPrice, 3);
    EXPECT_EQ(m_result.firstLineWithoutPrice, 2);
    EXPECT_EQ(m_result.linesMissingColumns, 0);

    // Without any of the four price fields there is no price to miss.
    m_db.~TempDir();
    new (&m_db) TempDir();
    ASSERT_EQ(RunOn("01/02/04,null\n01/05/04,100\n", kMM_DD_YY,
                    [](CConverter& job) {
                        job.m_bFieldOn = {1, 0, 0, 0, 0, 1, 0};
                        job.m_nFieldCol[kSlotVolume] = 1;
                    }),
              0);
    EXPECT_EQ(Records(1, 2).size(), 2U);
    EXPECT_EQ(m_messages.Texts().size(), 1U);
}

TEST_F(Convert, EveryCarriageReturnBeforeTheLineFeedGoes) {
    // The date in the last column shows any carriage return left behind.
    ASSERT_EQ(RunOn("1,2,3,4,5,01/02/04\r\r\n1,2,3,4,5,01/05/04\r\n1,2,3,4,5,01/06/04\r\r",
                    kMM_DD_YY, [](CConverter& job) { job.m_nFieldCol = {5, 0, 1, 2, 3, 4, 6}; }),
              0);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[0][0], 1040102.0F);
    EXPECT_EQ(records[1][0], 1040105.0F);
    EXPECT_EQ(records[2][0], 1040106.0F);
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(Convert, LoneCarriageReturnsEndLinesInEveryReading) {
    // 100 lines of a classic Mac file; line 51 has no date, so the message
    // shows that every line was counted.
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text += i == 50 ? std::string("no date,1,2,3,4,5\r")
                        : "01/" + std::to_string(10 + i % 20) + "/04,1,2,3,4," + std::to_string(i) +
                              "\r";
    }
    std::string utf16 = "\xFF\xFE";
    for (const char c : text) {
        utf16 += {c, '\0'};
    }
    for (const auto& [bytes, csv] : {std::pair{text, 0}, std::pair{text, 1}, std::pair{utf16, 0}}) {
        m_db.~TempDir();
        new (&m_db) TempDir();
        m_messages.Clear();
        ASSERT_EQ(RunOn(bytes, kMM_DD_YY, [csv](CConverter& job) { job.m_bCsv = csv; }), 0);
        const auto records = Records(1, 6);
        ASSERT_EQ(records.size(), 99U) << csv;
        EXPECT_EQ(records[98][5], 99.0F);  // the last column has no CR left on it
        EXPECT_EQ(m_result.linesWithoutDate, 1);
        EXPECT_EQ(m_result.firstLineWithoutDate, 51);
    }
}

TEST_F(Convert, LineLongerThanAnyPriceLineIsRefusedByNumber) {
    const std::string text = "01/02/04,1,2,3,4,5\r01/05/04,1,2,3,4,5\n01/06/04," +
                             std::string(kMaxLineBytes, '7') + "\n01/07/04,1,2,3,4,5\n";
    for (int csv : {0, 1}) {
        m_messages.Clear();
        EXPECT_EQ(RunOn(text, kMM_DD_YY, [csv](CConverter& job) { job.m_bCsv = csv; }), 1);
        ASSERT_EQ(m_messages.Messages().size(), 1U) << testing::PrintToString(m_messages.Texts());
        EXPECT_EQ(m_messages.Messages()[0].id, "LineTooLong");
        EXPECT_NE(m_messages.Texts()[0].find("Line 3 "), std::string::npos);
        EXPECT_NE(m_messages.Texts()[0].find("in.txt"), std::string::npos);
        EXPECT_TRUE(fs::is_empty(m_db.Path()));
    }
}

TEST_F(Convert, LongDateColumnStopsTheConversionWithItsOwnMessage) {
    const std::string d49(49, '1');
    const std::string d50(50, '1');
    EXPECT_EQ(RunOn("01/02/04,1,2,3,4,5\n" + d49 + ",1\n01/05/04,1,2,3,4,5\n" + d50 +
                    ",1\n01/06/04,1,2,3,4,5\n"),
              1);
    // The 49 characters are only a line without a date; the 50 stop the run.
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("Line 4 "), std::string::npos) << m_messages.Texts()[0];
    EXPECT_NE(m_messages.Texts()[0].find("50 characters"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(m_db.Path()));
}

TEST_F(Convert, SkipRowsLastLineAndLongLines) {
    const std::string longTail(5000, 'x');
    ASSERT_EQ(RunOn("01/01/04,9,9,9,9,9\n01/02/04,9,9,9,9,9\n"
                    "01/05/04,1,2,3,4,5," +
                        longTail + "\n01/06/04,1,2,3,4,56",
                    kMM_DD_YY,
                    [](CConverter& job) {
                        job.m_bSkipRows = 1;
                        job.m_nSkipRows = 2;
                    }),
              0);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0][0], 1040105.0F);
    EXPECT_EQ(records[1][5], 56.0F);  // the last character without a line end stays
}

TEST_F(Convert, NoPriceLinesFailsAndLeavesNothing) {
    EXPECT_EQ(RunOn("Date,Open\n\n", kMM_DD_YY,
                    [](CConverter& job) {
                        job.m_bSkipRows = 1;
                        job.m_nSkipRows = 1;
                    }),
              1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("No price lines"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(m_db.Path()));
}

TEST_F(Convert, UnreadableInputIsReported) {
    CConverter job;
    Fill(job, m_inputs.File("absent.txt"));
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find(m_inputs.File("absent.txt")), std::string::npos);
}

TEST_F(Convert, MoreLinesThanTheLargestRecordCountFailWhole) {
    std::string text;
    text.reserve(70000 * 12);
    for (int i = 0; i < kMaxPriceRecords + 2; ++i) {
        text += "01/02/04,1\n";
    }
    auto dateAndClose = [](CConverter& job) {
        job.m_bFieldOn = {1, 0, 0, 0, 1, 0, 0};
        job.m_nFieldCol[kSlotClose] = 1;
    };
    EXPECT_EQ(RunOn(text, kMM_DD_YY, dateAndClose), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("(65534); line 65535 is"), std::string::npos)
        << m_messages.Texts()[0];
    EXPECT_TRUE(fs::is_empty(m_db.Path()));

    // Exactly as many as fit.
    text.resize(static_cast<std::size_t>(kMaxPriceRecords) * 11);
    EXPECT_EQ(RunOn(text, kMM_DD_YY, dateAndClose), 0);
    EXPECT_EQ(RecordCount(), 65535);
    EXPECT_EQ(ReadBytes(m_db.File("F1.DAT")).size(), 65535U * 8);
}

// Every way a run can fail after the security was entered, into a database
// that has one: the directory and the input stay byte for byte as they were,
// the message says why, and the same run tried again is neither refused as a
// duplicate nor reverses the input back.
TEST_F(Convert, FailuresAfterTheSecurityWasEnteredKeepNothing) {
    ASSERT_EQ(RunOn("01/02/04,1,2,3,4,5\n"), 0);
    std::string many = "Date,Open\n";
    for (int i = 0; i <= kMaxPriceRecords; ++i) {
        many += "01/02/04,1,2,3,4,5\n";
    }
    struct Case {
        std::string text;
        int format;
        std::string id;
        bool diskFull;
    };
    const Case cases[] = {
        {"Date,Open\n01/05/04,1,2,3,4,5\n20040102,1,2,3,4,5\n", kMM_DD_YY, "SeparatedDateFormat",
         false},
        {"Date,Open\n010504,1,2,3,4,5\n01/02/04,1,2,3,4,5\n", kMMDDYY, "NumericOnlyDateFormat",
         false},
        {"Date,Open\n01/05/04,1,2,3,4,5\n" + std::string(50, '1') + ",1\n", kMM_DD_YY,
         "DateColumnTooLong", false},
        {many, kMM_DD_YY, "TooManyPriceLines", false},
        {"Date,Open\n01/05/04,1,2,3,4,5\n01/02/04,1,2,3,4,5\n", kMM_DD_YY, "CannotWriteDataFile",
         true},
    };
    // Reversed, the file's last line is the first one converted and checked;
    // both readings of a line, the plain one and CSV.
    for (int csv = 0; csv <= 1; ++csv) {
        for (const Case& c : cases) {
            m_messages.Clear();
            const std::string input = Input("in.txt", c.text);
            const auto before = ReadBytes(m_db.File("MASTER"));
            std::map<std::string, std::vector<std::uint8_t>> files;
            for (const auto& entry : fs::directory_iterator(m_db.Path())) {
                files[entry.path().filename().string()] = ReadBytes(entry.path().string());
            }
            auto setUp = [&](CConverter& job) {
                Fill(job, input, c.format, /*newMaster=*/false);
                job.m_szSymbol = "NEW";
                job.m_bFieldOn[kSlotOpenInterest] = 0;
                job.m_bReverse = 1;
                job.m_bSkipRows = 1;
                job.m_nSkipRows = 1;
                job.m_bCsv = csv;
            };
            {
                CConverter job;
                setUp(job);
                // The disk fills up after the data file's header was written.
                int dataWrites = 0;
                FaultHookScope faults([&](FileOp op, const std::string& path) {
                    return c.diskFull && op == FileOp::Write && path.ends_with(".DAT.~NU") &&
                           ++dataWrites == 2;
                });
                EXPECT_EQ(job.Run(), 1) << c.id << csv;
                EXPECT_EQ(job.Result().outcome, Outcome::kFailed) << c.id << csv;
                EXPECT_EQ(job.Result().recordsWritten, 0) << c.id << csv;
            }
            ASSERT_EQ(m_messages.Messages().size(), 1U) << c.id << csv;
            EXPECT_EQ(m_messages.Messages()[0].id, c.id) << csv;
            std::map<std::string, std::vector<std::uint8_t>> after;
            for (const auto& entry : fs::directory_iterator(m_db.Path())) {
                after[entry.path().filename().string()] = ReadBytes(entry.path().string());
            }
            EXPECT_TRUE(after == files) << c.id;
            EXPECT_EQ(ReadText(input), c.text) << c.id;
            EXPECT_FALSE(FileExists(input + ".BAK")) << c.id;
            EXPECT_EQ(ReadBytes(m_db.File("MASTER")), before);
        }
    }

    // Once the input is mended, the same run goes through.
    const std::string input =
        Input("in.txt", "Date,Open\n01/05/04,1,2,3,4,5\n01/02/04,1,2,3,4,5\n");
    CConverter job;
    Fill(job, input, kMM_DD_YY, false);
    job.m_szSymbol = "NEW";
    job.m_bFieldOn[kSlotOpenInterest] = 0;
    job.m_bReverse = 1;
    job.m_bSkipRows = 1;
    job.m_nSkipRows = 1;
    ASSERT_EQ(job.Run(), 0) << testing::PrintToString(m_messages.Texts());
    EXPECT_EQ(ReadText(input), "01/02/04,1,2,3,4,5\n01/05/04,1,2,3,4,5\n");
    EXPECT_EQ(Records(2, 6).size(), 2U);
}

// Faults in the final updates and appends: reported, and nothing of the run
// is left, neither work files nor the new MASTER.
TEST_F(Convert, FinalUpdateFaultsLeaveNothingBehind) {
    struct Case {
        FileOp op;
        std::string file;
    };
    for (const Case& c : {Case{FileOp::Rename, "F1.DAT"}, Case{FileOp::Write, "F1.DAT.~NU"},
                          Case{FileOp::Flush, "F1.DAT.~NU"}, Case{FileOp::Rename, "MASTER"},
                          Case{FileOp::Open, "MASTER.~NU"}, Case{FileOp::Rename, "F1.DOP"},
                          Case{FileOp::Rename, ".torvan-journal"}}) {
        TempDir db;
        CConverter job;
        Fill(job, Input("in.txt", "01/02/04,1,2,3,4,5,6\n"));
        job.m_szPathOut = db.Path();
        bool armed = false;
        bool fired = false;
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            if (op == FileOp::Open && path == job.m_strInputPath) {
                // The faults are for the conversion stage, which opens the input.
                armed = true;
            }
            if (armed && !fired && op == c.op && path == db.File(c.file)) {
                fired = true;
                return true;
            }
            return false;
        });
        const std::size_t before = m_messages.Messages().size();
        EXPECT_EQ(job.Run(), 1) << c.file;
        faults.Remove();
        EXPECT_TRUE(fired) << c.file;
        EXPECT_TRUE(fs::is_empty(db.Path())) << c.file;
        ASSERT_GT(m_messages.Messages().size(), before);
        EXPECT_NE(m_messages.Messages().back().text.find(db.File(c.file)), std::string::npos)
            << m_messages.Messages().back().text;
    }
}

// A write that fails halfway through a long input: the run fails whole and
// leaves nothing behind.
TEST_F(Convert, WriteFaultHalfwayLeavesNothing) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "01/02/04,1,2,3,4,5\n";
    }
    CConverter job;
    Fill(job, Input("in.txt", text));
    job.m_bFieldOn[kSlotOpenInterest] = 0;
    const std::string work = m_db.File("F1.DAT.~NU");
    bool armed = false;
    int writes = 0;
    {
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            armed = armed || (op == FileOp::Open && path == job.m_strInputPath);
            return armed && op == FileOp::Write && path == work && ++writes == 2;
        });
        EXPECT_EQ(job.Run(), 1);
    }
    ASSERT_EQ(writes, 2);  // one block of records went, the next one failed
    EXPECT_TRUE(fs::is_empty(m_db.Path()));
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Messages()[0].id, "CannotWriteDataFile");
    EXPECT_NE(m_messages.Texts()[0].find(work), std::string::npos);
    EXPECT_EQ(job.Result().outcome, Outcome::kFailed);
    EXPECT_EQ(job.Result().recordsWritten, 0);
}

}  // namespace
}  // namespace torvan::test
