// SPDX-License-Identifier: GPL-3.0-or-later
// Intraday bars: the time read from each shape, stored after the date and
// in the indexes, read back; daily bars built of them; lines whose date
// repeats or goes back left out and told of.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

#include "JobFixture.h"
#include "database/Check.h"
#include "database/DatabaseReader.h"
#include "database/EMaster.h"
#include "database/IndexFields.h"
#include "detect/Detect.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

class Intraday : public JobTest {
  protected:
    // A new-master job over text, fields Date..Volume in columns 1..6, the
    // date CCYY_MM_DD; adjust sets the rest.
    int Run(const std::string& text, const std::function<void(CConverter&)>& adjust) {
        CConverter job;
        Fill(job, Input("in.txt", text), kCCYY_MM_DD);
        job.m_bFieldOn[kSlotOpenInterest] = 0;
        job.m_bEMaster = 1;
        adjust(job);
        const int status = job.Run();
        m_result = job.Result();
        return status;
    }
    std::vector<std::vector<float>> Rows() const {
        SecurityRecords read;
        EXPECT_EQ(ReadSecurity(m_db.Path(), "IBM", read), ReadResult::kOk);
        return read.rows;
    }
    JobResult m_result;
};

TEST(TimeText, EachShapeReadsAsHhmmss) {
    const std::vector<std::pair<const char*, long>> cases = {
        {"09:30", 93000},  {"9:30", 93000},   {"16:05:30", 160530},
        {"0930", 93000},   {"093015", 93015}, {"00:00:00.000", 0},
        {"23:59", 235900}, {"24:00", -1},     {"9:60", -1},
        {"930", -1},       {"12:3", -1},      {"1:2:3:4", -1},
        {"10.5", -1},      {"", -1},          {"2019", 201900},
    };
    for (const auto& [text, want] : cases) {
        EXPECT_EQ(ParseTimeText(text), want) << text;
    }
    const std::vector<std::tuple<const char*, const char*, long>> split = {
        {"2024-01-02 09:30", "2024-01-02", 93000},
        {"20240102 093000", "20240102", 93000},
        {"2024-01-02T09:30:00", "2024-01-02", 93000},
        {"02.01.2024 16:00:00.000", "02.01.2024", 160000},
        {"2024-01-02", "2024-01-02", -1},
        {"03 May x", "03 May x", -1},
    };
    for (const auto& [text, date, time] : split) {
        const DateAndTime got = SplitDateTime(text);
        EXPECT_EQ(got.date, date) << text;
        EXPECT_EQ(got.time, time) << text;
    }
}

TEST_F(Intraday, BarsStoredWithTimesAndIndexesAsReadersWantThem) {
    // Time in a column of its own, and after the date in the date column.
    const std::vector<std::pair<const char*, std::function<void(CConverter&)>>> layouts = {
        {"2024-01-02,09:30,10,11,9,10.5,100\n2024-01-02,09:35,10.5,12,10,11,200\n"
         "2024-01-02,09:45,11,11.5,10,11,50\n2024-01-03,09:30,11,13,8,12,300\n",
         [](CConverter& job) {
             for (int s = 1; s < kFieldSlots; ++s) {
                 job.m_nFieldCol[static_cast<std::size_t>(s)] = s + 1;
             }
             job.m_nTimeCol = 1;
         }},
        {"20240102 093000,10,11,9,10.5,100\n20240102 093500,10.5,12,10,11,200\n"
         "20240102 094500,11,11.5,10,11,50\n20240103 093000,11,13,8,12,300\n",
         [](CConverter& job) {
             job.m_bTimeInDate = 1;
             job.m_nDateFormat = kCCYYMMDD;
         }},
    };
    for (const auto& [text, adjust] : layouts) {
        SCOPED_TRACE(text);
        fs::remove_all(m_db.Path());
        fs::create_directories(m_db.Path());
        ASSERT_EQ(Run(text, adjust), 0);
        const auto rows = Rows();
        ASSERT_EQ(rows.size(), 4U);
        EXPECT_EQ(rows[1], (std::vector<float>{1240102, 93500, 10.5F, 12, 10, 11, 200}));
        EXPECT_EQ(rows[3][1], 93000);
        // MASTER: 7 fields with the time, 28-byte records, period I, 5 minutes.
        const auto master = Master();
        const std::uint8_t* entry = master.data() + kMasterRecordSize;
        EXPECT_EQ(entry[3], 28);
        EXPECT_EQ(entry[4], 7);
        EXPECT_EQ(entry[33], 'I');
        EXPECT_EQ(GetU16(entry + 34), 5);
        // EMASTER: I, 5 minutes, bitset 191, first/last times as IEEE singles.
        const auto emaster = ReadBytes(m_db.File("EMASTER"));
        ASSERT_EQ(emaster.size(), 2 * kEMasterRecordSize);
        const std::uint8_t* e = emaster.data() + kEMasterRecordSize;
        EXPECT_EQ(e[6], 7);
        EXPECT_EQ(e[7], 191);
        EXPECT_EQ(e[60], 'I');
        EXPECT_EQ(GetU16(e + 62), 5);
        EXPECT_EQ(IeeeValue({e[68], e[69], e[70], e[71]}), 93000.0F);
        EXPECT_EQ(IeeeValue({e[76], e[77], e[78], e[79]}), 93000.0F);
        EXPECT_EQ(IeeeValue({e[72], e[73], e[74], e[75]}), 1240103.0F);
        EXPECT_EQ(ReadText(m_db.File("F1.DOP")).substr(0, 24), "\"DATE\",0,0\r\n\"TIME\",0,0\r\n");
        EXPECT_TRUE(CheckDatabase(m_db.Path()).empty());
    }
}

TEST_F(Intraday, IntervalGivenOrRefused) {
    const std::string hourly = "2024-01-02 10:00,1,1,1,1,1\n2024-01-02 12:00,1,1,1,1,1\n";
    const std::vector<std::tuple<std::string, int, int, const char*>> cases = {
        {hourly, 0, 1, "BarIntervalUnknown"},  // two hours apart
        {"2024-01-02 10:00,1,1,1,1,1\n2024-01-03 10:00,1,1,1,1,1\n", 0, 1, "BarIntervalUnknown"},
        {hourly, 61, 1, "BarIntervalOutOfRange"},
        {hourly, 60, 0, ""},
    };
    for (const auto& [text, interval, status, id] : cases) {
        m_messages.Clear();
        fs::remove_all(m_db.Path());
        fs::create_directories(m_db.Path());
        EXPECT_EQ(Run(text,
                      [&](CConverter& job) {
                          job.m_bTimeInDate = 1;
                          job.m_nInterval = interval;
                      }),
                  status)
            << text << interval;
        const auto ids = m_messages.Ids();
        EXPECT_EQ(ids.empty() ? "" : ids.back(), id);
        EXPECT_EQ(fs::exists(m_db.File("MASTER")), status == 0);
    }
}

TEST_F(Intraday, DailyBarsOfEachDay) {
    // Open of the first bar, highest high, lowest low, close of the last,
    // summed volume; a line going back is a bar of its own, told of.
    const std::string text =
        "2024-01-02 09:30,10,11,9,10.5,100\n2024-01-02 09:35,10.5,12,10,11,200\n"
        "2024-01-02 09:40,11,11.5,8.5,11.25,150\n2024-01-03 09:30,11,13,8,12,300\n"
        "2024-01-03 09:35,12,12.5,11,12.5,50\n2024-01-02 09:45,1,2,0.5,1,1\n";
    ASSERT_EQ(Run(text,
                  [](CConverter& job) {
                      job.m_bTimeInDate = 1;
                      job.m_bDaily = 1;
                  }),
              0);
    EXPECT_EQ(Records(1, 6), (std::vector<std::vector<float>>{
                                 {1240102, 10, 12, 8.5F, 11.25F, 450},
                                 {1240103, 11, 13, 8, 12.5F, 350},
                                 {1240102, 1, 2, 0.5F, 1, 1},
                             }));
    EXPECT_EQ(Entry(1).fieldCount, 6);
    EXPECT_EQ(Entry(1).period, 'D');
    EXPECT_EQ(m_result.linesOutOfOrder, 1);
    EXPECT_EQ(m_result.firstLineOutOfOrder, 6);
}

TEST_F(Intraday, RepeatedOrBackwardDatesStoredAndToldOnce) {
    struct Case {
        const char* text;
        int told;
        int first;
    };
    const std::vector<Case> cases = {
        // Intraday lines without their time, two tickers, an unsorted file.
        {"2024-01-02,1,1,1,1,1\n2024-01-02,2,2,2,2,2\n2024-01-03,3,3,3,3,3\n"
         "2024-01-03,4,4,4,4,4\n",
         2, 2},
        {"2024-01-02,1,1,1,1,1\n2024-01-03,2,2,2,2,2\n2024-01-02,3,3,3,3,3\n"
         "2024-01-03,4,4,4,4,4\n2024-01-04,5,5,5,5,5\n",
         1, 3},
        {"2024-01-02,1,1,1,1,1\n2024-01-03,2,2,2,2,2\n", 0, 0},
    };
    for (const bool csv : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.text) + (csv ? " csv" : " plain"));
            m_messages.Clear();
            fs::remove_all(m_db.Path());
            fs::create_directories(m_db.Path());
            ASSERT_EQ(Run(c.text, [&](CConverter& job) { job.m_bCsv = csv ? 1 : 0; }), 0);
            // Every line stored, in file order.
            std::vector<float> values;
            for (const auto& row : Records(1, 6)) {
                values.push_back(row[1]);
            }
            EXPECT_EQ(values.size(), static_cast<std::size_t>(m_result.recordsWritten));
            EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
            EXPECT_EQ(m_result.linesOutOfOrder, c.told);
            EXPECT_EQ(m_result.firstLineOutOfOrder, c.first);
            const auto ids = m_messages.Ids();
            EXPECT_EQ(std::count(ids.begin(), ids.end(), "LinesOutOfOrder"), c.told > 0 ? 1 : 0);
            EXPECT_EQ(m_result.outcome,
                      c.told > 0 ? Outcome::kConvertedWithWarnings : Outcome::kConverted);
        }
    }
}

TEST_F(Intraday, CheckFindsRepeatedAndBackwardRecords) {
    // Records as another program may have stored them: daily repeats and
    // an intraday security whose times go back within a day.
    ASSERT_EQ(Run("2024-01-02 09:30,1,1,1,1,1\n2024-01-02 09:35,1,1,1,1,1\n"
                  "2024-01-02 09:40,1,1,1,1,1\n",
                  [](CConverter& job) { job.m_bTimeInDate = 1; }),
              0);
    auto data = ReadBytes(m_db.File("F1.DAT"));
    const Bytes4 early = FloatToMbf(92500.0F);
    std::copy(early.begin(), early.end(), data.begin() + 3 * 28 + 4);  // record 3: 09:25
    WriteBytes(m_db.File("F1.DAT"), data);
    auto findings = CheckDatabase(m_db.Path());
    ASSERT_EQ(findings.size(), 1U);
    EXPECT_EQ(findings[0].id, "DatesOutOfOrder");
    EXPECT_NE(findings[0].text.find("2024-01-02 09:25:00"), std::string::npos);

    std::copy(data.begin() + 2 * 28 + 4, data.begin() + 2 * 28 + 8, data.begin() + 3 * 28 + 4);
    WriteBytes(m_db.File("F1.DAT"), data);
    findings = CheckDatabase(m_db.Path());
    ASSERT_EQ(findings.size(), 1U);
    EXPECT_EQ(findings[0].id, "DatesRepeated");
}

TEST(IntradayReal, VendorIntradayDatabaseReadsWithTimes) {
    SecurityRecords read;
    ASSERT_EQ(ReadSecurity(RealData("metastock/stooq_intraday"), "2HR.DE", read), ReadResult::kOk);
    ASSERT_EQ(read.rows.size(), 2U);
    EXPECT_EQ(read.entry.fieldNames[1], "Time");
    EXPECT_EQ(TimeText(read.rows[0][1]), "09:05:00");
    EXPECT_EQ(TimeText(read.rows[1][1]), "09:15:00");
    EXPECT_TRUE(CheckDatabase(RealData("metastock/stooq_intraday")).empty());
}

TEST(IntradayDetect, TimeShapesAndTwoWordHeaderNames) {
    struct Case {
        std::vector<std::string> lines;
        int timeColumn;
        bool timeInDate;
        int volumeColumn;  // 1-based, 0 when absent
    };
    const std::vector<Case> cases = {
        {{"Date,Time,Open,High,Low,Close,Volume", "2024-01-02,09:30,1,2,0.5,1.5,100",
          "2024-01-02,09:35,1.5,2,1,1.75,200", "2024-01-03,09:30,2,3,1,2.5,300"},
         1,
         false,
         7},
        {{"20240102,09:30:00,1,2,0.5,1.5,100", "20240102,09:35:00,1.5,2,1,1.75,200",
          "20240103,09:30:00,2,3,1,2.5,300"},
         1,
         false,
         7},
        {{"20240102 0930 1 2 0.5 1.5 100", "20240102 0935 1.5 2 1 1.75 200",
          "20240103 0930 2 3 1 2.5 300"},
         1,
         false,
         7},
        {{"<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>", "20240102,093000,1,2,0.5,1.5,100",
          "20240102,093500,1.5,2,1,1.75,200", "20240103,093000,2,3,1,2.5,300"},
         1,
         false,
         7},
        {{"2024-01-02 09:30,1,2,0.5,1.5,100", "2024-01-02 09:35,1.5,2,1,1.75,200",
          "2024-01-03 09:30,2,3,1,2.5,300"},
         -1,
         true,
         6},
        {{"Date,Open,High,Low,Close,Volume", "2024-01-02T09:30:00,1,2,0.5,1.5,100",
          "2024-01-02T09:35:00,1.5,2,1,1.75,200", "2024-01-03T09:30:00,2,3,1,2.5,300"},
         -1,
         true,
         6},
        // Daily lines with a constant time are no intraday bars.
        {{"2024-01-02 00:00,1,2,0.5,1.5,100", "2024-01-03 00:00,1.5,2,1,1.75,200",
          "2024-01-04 00:00,2,3,1,2.5,300"},
         -1,
         false,
         6},
        // Yahoo's header, blank-separated: "Adj Close" is one column's name.
        {{"Date Open High Low Close Adj Close Volume", "2024-01-02 10.0 11.0 9.0 10.5 10.4 1000",
          "2024-01-03 10.5 12.0 10.0 11.5 11.4 2000", "2024-01-04 11.5 12.5 11.0 12.0 11.9 1500"},
         -1,
         false,
         7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines[0]);
        const Detection d = DetectLayout(c.lines, {}, static_cast<long>(c.lines.size()));
        ASSERT_TRUE(d.convertible) << d.whyNot;
        EXPECT_EQ(d.timeColumn, c.timeColumn);
        EXPECT_EQ(d.timeInDate, c.timeInDate);
        EXPECT_EQ(d.settings.fieldOn[kSlotVolume] != 0 ? d.settings.fieldCol[kSlotVolume] : 0,
                  c.volumeColumn);
    }
}

TEST(IntradayDetect, RealDailyFilesWithATimeStayDaily) {
    for (const char* name :
         {"noheader_eurusd_d1_datetime.csv", "dukascopy_xauusd_2003-2019_ddmmyyyy.csv",
          "finam_sber_1998-2023_newest_first.csv", "stooq_ascii_wig20_1991-2022.txt"}) {
        const Detection d = DetectLayout(RealData(name));
        EXPECT_TRUE(d.convertible) << name;
        EXPECT_EQ(d.timeColumn, -1) << name;
        EXPECT_FALSE(d.timeInDate) << name;
    }
}

TEST(IntradayDetect, RepeatedDatesExplained) {
    const std::vector<std::pair<std::vector<std::string>, const char*>> cases = {
        // (A ticker column is found by detection and each ticker converted
        // on its own, so tickers need no warning.)
        {{"2024-01-02,1,2,0.5,1.5", "2024-01-04,1,2,0.5,1.5", "2024-01-03,1,2,0.5,1.5",
          "2024-01-05,1,2,0.5,1.5", "2024-01-08,1,2,0.5,1.5"},
         "lines in no date order"},
        {{"2024-01-02,1,2,0.5,1.5", "2024-01-02,1,2,0.5,1.5", "2024-01-03,1,2,0.5,1.5",
          "2024-01-03,1,2,0.5,1.5"},
         "intraday bars without a time column"},
    };
    for (const auto& [lines, what] : cases) {
        const Detection d = DetectLayout(lines, {}, static_cast<long>(lines.size()));
        std::string warnings;
        for (const std::string& w : d.warnings) {
            warnings += w;
        }
        EXPECT_NE(warnings.find(what), std::string::npos) << warnings;
    }
}

}  // namespace
}  // namespace torvan::test
