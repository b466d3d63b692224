// Text lines into price records: splitting, dates, numbers, the final
// updates of MASTER and the data file header.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "JobFixture.h"

namespace torvan::test {
namespace {

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
    // Digits only with a separated layout: told, converted, failed.
    EXPECT_EQ(RunOn("20040102,1,2,3,4,5\n01/05/04,1,2,3,4,5\n"), 1);
    ASSERT_EQ(m_messages.Texts().size(), 2U);  // and the note on the undated first line
    EXPECT_EQ(m_messages.Texts()[0], kSeparated);
    EXPECT_EQ(m_messages.Messages()[0].type, static_cast<unsigned>(kMbOk));
    EXPECT_EQ(Records(1, 6).size(), 1U);

    m_db.~TempDir();
    new (&m_db) TempDir();
    // Letters with a numeric-only layout; only the first line is checked.
    EXPECT_EQ(RunOn("15-Jan-04,1,2,3,4,5\n010504,1,2,3,4,5\n0106x4,1,2,3,4,5\n", kMMDDYY), 1);
    ASSERT_EQ(m_messages.Texts().size(), 4U);
    EXPECT_EQ(m_messages.Texts()[2], kNumericOnly);
    EXPECT_EQ(Records(1, 6).size(), 2U);

    m_db.~TempDir();
    new (&m_db) TempDir();
    // A recognised month name excuses the letters.
    EXPECT_EQ(RunOn("Jan0504,1,2,3,4,5\n", kMMDDYY, [](CConverter& job) { job.m_bMonthNames = 1; }),
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

TEST_F(Convert, LongDateColumnStopsTheConversion) {
    const std::string d49(49, '1');
    const std::string d50(50, '1');
    EXPECT_EQ(RunOn("01/02/04,1,2,3,4,5\n" + d49 + ",1\n01/05/04,1,2,3,4,5\n" + d50 +
                    ",1\n01/06/04,1,2,3,4,5\n"),
              1);
    auto records = Records(1, 6);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(RecordCount(), 3);
    EXPECT_EQ(Stored(Entry(1).lastDate), 1040105.0F);
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

TEST_F(Convert, NoPriceLinesFailsAndKeepsTheEntryDates) {
    EXPECT_EQ(RunOn("Date,Open\n\n", kMM_DD_YY,
                    [](CConverter& job) {
                        job.m_bSkipRows = 1;
                        job.m_nSkipRows = 1;
                    }),
              1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("No price lines"), std::string::npos);
    EXPECT_EQ(Stored(Entry(1).firstDate), 1261207.0F);
    EXPECT_EQ(RecordCount(), 1);
}

TEST_F(Convert, UnreadableInputIsReported) {
    CConverter job;
    Fill(job, m_inputs.File("absent.txt"));
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find(m_inputs.File("absent.txt")), std::string::npos);
}

TEST_F(Convert, StopsAtTheLargestRecordCount) {
    std::string text;
    text.reserve(70000 * 12);
    for (int i = 0; i < kMaxPriceRecords + 2; ++i) {
        text += "01/02/04,1\n";
    }
    EXPECT_EQ(RunOn(text, kMM_DD_YY,
                    [](CConverter& job) {
                        job.m_bFieldOn = {1, 0, 0, 0, 1, 0, 0};
                        job.m_nFieldCol[kSlotClose] = 1;
                    }),
              1);
    EXPECT_EQ(RecordCount(), 65535);
    EXPECT_EQ(ReadBytes(m_db.File("F1.DAT")).size(), 65535U * 8);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("65534"), std::string::npos);
}

// Faults in the final updates and in writing the records: reported, the
// ".NEW" file gone, the file it would have replaced untouched.
TEST_F(Convert, FinalUpdateFaultsLeaveFilesWhole) {
    struct Case {
        FileOp op;
        std::string file;
        std::string untouched;
    };
    for (const Case& c :
         {Case{FileOp::Rename, "F1.DAT", "F1.DAT"}, Case{FileOp::Write, "F1.NEW", "F1.DAT"},
          Case{FileOp::Rename, "MASTER", "MASTER"}, Case{FileOp::Open, "MASTER.NEW", "MASTER"},
          Case{FileOp::Close, "F1.NEW", "F1.DAT"}}) {
        TempDir db;
        CConverter job;
        Fill(job, Input("in.txt", "01/02/04,1,2,3,4,5,6\n"));
        job.m_szPathOut = db.Path();
        std::vector<std::uint8_t> snapshot;
        bool armed = false;
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            if (op == FileOp::Open && path == job.m_strInputPath) {
                // The faults are for the conversion stage, which opens the input.
                armed = true;
            }
            if (armed && snapshot.empty() && op == c.op && path == db.File(c.file)) {
                snapshot = ReadBytes(db.File(c.untouched));
                return true;
            }
            return false;
        });
        const std::size_t before = m_messages.Messages().size();
        EXPECT_EQ(job.Run(), 1) << c.file;
        faults.Remove();
        ASSERT_FALSE(snapshot.empty()) << c.file;
        EXPECT_EQ(ReadBytes(db.File(c.untouched)), snapshot) << c.file;
        EXPECT_FALSE(FileExists(db.File("F1.NEW"))) << c.file;
        EXPECT_FALSE(FileExists(db.File("MASTER.NEW"))) << c.file;
        ASSERT_GT(m_messages.Messages().size(), before);
        EXPECT_NE(m_messages.Messages().back().text.find(db.Path()), std::string::npos);
    }
}

// A write that fails halfway through a long input: the data file keeps its
// header alone, no line is counted and no work file is left.
TEST_F(Convert, WriteFaultHalfwayKeepsTheDataFileAsItWas) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "01/02/04,1,2,3,4,5\n";
    }
    CConverter job;
    Fill(job, Input("in.txt", text));
    job.m_bFieldOn[kSlotOpenInterest] = 0;
    int writes = 0;
    std::vector<std::uint8_t> before;
    {
        FaultHookScope faults([&](FileOp op, const std::string& path) {
            if (op == FileOp::Write && path == m_db.File("F1.NEW") && ++writes == 3) {
                before = ReadBytes(m_db.File("F1.DAT"));
                return true;
            }
            return false;
        });
        EXPECT_EQ(job.Run(), 1);
    }
    ASSERT_EQ(writes, 3);  // the header, one block of records, the failing one
    EXPECT_EQ(ReadBytes(m_db.File("F1.DAT")), before);
    EXPECT_EQ(RecordCount(), 1);
    EXPECT_FALSE(FileExists(m_db.File("F1.NEW")));
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find(m_db.File("F1.NEW")), std::string::npos);
    EXPECT_EQ(job.Result().outcome, Outcome::kFailed);
    EXPECT_EQ(job.Result().recordsWritten, 0);
}

}  // namespace
}  // namespace torvan::test
