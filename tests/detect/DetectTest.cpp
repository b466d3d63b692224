// SPDX-License-Identifier: GPL-3.0-or-later
// Layout detection: every real price file converts with the detected
// settings exactly as with settings picked by hand, and the choices on
// made-up files where only one thing decides.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "database/Dates.h"
#include "detect/Detect.h"
#include "engine/Converter.h"
#include "engine/TextReader.h"
#include "platform/Message.h"

namespace torvan::test {
namespace {

// Hand-picked settings of a real file: delimiter (0 comma, 1 tab, 3
// semicolon), date format, columns date/open/high/low/close/vol/oi (0 when
// absent), rows to skip, footer lines, newest first, month names, CSV.
struct RealFile {
    const char* name;
    int delimiter;
    const char* dateFormat;
    std::array<int, kFieldSlots> columns;
    int skip;
    int footer;
    bool reverse;
    bool monthNames;
    bool csv;
};

const std::vector<RealFile>& RealFiles() {
    // clang-format off
    static const std::vector<RealFile> files = {
        // file, delimiter, date format, columns date..oi, skip, footer, reverse, month names, csv
        {"backtrader_fesx_2006_futures_oi.txt",            0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 7}, 1, 0, false, false, false},
        {"bossa_kghm_1997-2012.mst",                       0, "CCYYMMDD",    {2, 3, 4, 5, 6, 7, 0}, 1, 0, false, false, false},
        {"chris_cme_cl1_futures_oi.csv",                   0, "CCYY_MM_DD",  {1, 2, 3, 4, 7, 8, 9}, 1, 0, true , false, true},
        {"dukascopy_xauusd_2003-2019_ddmmyyyy.csv",        0, "DD_MM_CCYY",  {1, 2, 3, 4, 5, 6, 0}, 1, 0, false, false, true},
        {"eia_brent_close_only_mdyyyy.csv",                0, "MM_DD_CCYY",  {1, 0, 0, 0, 2, 0, 0}, 1, 0, false, false, false},
        {"finam_sber_1998-2023_newest_first.csv",          0, "CCYYMMDD",    {1, 3, 4, 5, 6, 7, 0}, 1, 0, true , false, false},
        {"finam_sber_2023_ddmmyy_semicolon.csv",           3, "DD_MM_YY",    {1, 3, 4, 5, 6, 7, 0}, 1, 0, false, false, false},
        {"gnuplot_style_ibm_2004_tiny.dat",                1, "DD_MM_YY",    {1, 2, 3, 4, 5, 0, 0}, 1, 0, true , true , false},
        {"googlefin_orcl_2010_malformed.csv",              0, "DD_MM_YY",    {1, 2, 3, 4, 5, 6, 0}, 1, 0, true , true , false},
        {"investing_gold_futures_quoted.csv",              0, "MM_DD_CCYY",  {1, 3, 4, 5, 2, 6, 0}, 1, 0, true , false, true},
        {"kaggle_ibm_us_1962-2017.txt",                    0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 7}, 1, 0, false, false, false},
        {"marketwatch_aapl_quoted_short.csv",              0, "MM_DD_CCYY",  {1, 2, 3, 4, 5, 6, 0}, 1, 0, true , false, true},
        {"mixed_tab_blank_msft.tsv",                       1, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 0}, 1, 1, false, false, false},
        {"moex_gazp_low_before_high.csv",                  0, "CCYY_MM_DD",  {1, 2, 4, 3, 5, 7, 0}, 1, 0, false, false, false},
        {"mt4_eurusd1440_dotted.csv",                      0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 0}, 1, 0, false, false, false},
        {"nasdaq_tsla_2019_short.csv",                     0, "MM_DD_CCYY",  {1, 4, 5, 6, 2, 3, 0}, 1, 0, true , false, false},
        {"nasdaq_vfiax_old_quoted.csv",                    0, "CCYY_MM_DD",  {1, 4, 5, 6, 2, 3, 0}, 1, 0, true , false, true},
        {"niftyindices_nifty50_1990-2019.csv",             0, "DD_MM_CCYY",  {1, 2, 3, 4, 5, 0, 0}, 1, 0, true , true , true},
        {"niftyindices_nifty50_2021-2023_noheader.csv",    0, "DD_MM_CCYY",  {1, 2, 3, 4, 5, 0, 0}, 0, 0, true , true , true},
        {"noheader_eurusd_d1_datetime.csv",                0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 0}, 0, 0, false, false, true},
        {"nse_nifty50_dd-MON-ccyy.csv",                    0, "DD_MM_CCYY",  {1, 2, 3, 4, 5, 6, 0}, 1, 0, false, true , false},
        {"stooq_ascii_wig20_1991-2022.txt",                0, "CCYYMMDD",    {3, 5, 6, 7, 8, 9, 10}, 1, 0, false, false, false},
        {"stooq_wig20_d.csv",                              0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 0}, 1, 0, false, false, false},
        {"tab_amzn_1997-2022_ddmmyyyy.tsv",                1, "DD_MM_CCYY",  {1, 2, 3, 4, 5, 6, 0}, 2, 0, false, false, true},
        {"tdx_sz000001_tab.txt",                           1, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 0}, 2, 1, false, false, false},
        {"wsj_spx_2007-2017_mmddyy.csv",                   0, "MM_DD_YY",    {1, 2, 3, 4, 5, 0, 0}, 1, 0, true , false, false},
        {"yahoo_bsesn_1997-2019_null.csv",                 0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 7, 0}, 1, 0, false, false, false},
        {"yahoo_old_nikkei_2010_newest_first.csv",         0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 0}, 1, 0, true , false, false},
        {"yahoo_orcl_1995-2014.csv",                       0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 7, 0}, 1, 0, false, false, false},
        {"yfinance_aapl_two_header_rows.csv",              0, "CCYY_MM_DD",  {1, 2, 3, 4, 5, 6, 0}, 2, 0, false, false, false},
    };
    // clang-format on
    return files;
}

ImportSettings HandPicked(const RealFile& file) {
    ImportSettings s;
    s.delimiter = file.delimiter;
    s.dateFormat = file.dateFormat;
    int unused = 20;
    for (std::size_t slot = 0; slot < kFieldSlots; ++slot) {
        s.fieldOn[slot] = file.columns[slot] != 0 ? 1 : 0;
        s.fieldCol[slot] = file.columns[slot] != 0 ? file.columns[slot] : unused--;
    }
    s.skipOn = file.skip > 0 ? 1 : 0;
    s.skipRows = file.skip;
    s.footerRows = file.footer;
    s.reverse = file.reverse ? 1 : 0;
    s.monthNames = file.monthNames ? 1 : 0;
    s.csv = file.csv ? 1 : 0;
    return s;
}

struct Converted {
    int status = -1;
    std::vector<std::uint8_t> data;
    std::vector<std::string> messageIds;
};

// Converts a copy of the file (a reversal rewrites it) into a new database.
Converted ConvertCopy(const std::string& source, ImportSettings settings) {
    TempDir inputs;
    TempDir db;
    const std::string input = inputs.File("input.txt");
    std::error_code ec;
    std::filesystem::copy_file(source, input, ec);
    EXPECT_FALSE(ec) << source;
    settings.pathOut = db.Path();
    settings.symbol = "TEST";
    settings.newMaster = 1;
    RecordingSink sink;
    CConverter job;
    job.m_pSink = &sink;
    settings.ApplyTo(job, input, DateFormatFromName(settings.dateFormat));
    Converted out;
    out.status = job.Run();
    out.data = ReadBytes(db.File("F1.DAT"));
    out.messageIds = sink.Ids();
    return out;
}

class RealFileDetection : public ::testing::TestWithParam<RealFile> {};

TEST_P(RealFileDetection, StoresWhatTheHandPickedSettingsStore) {
    const RealFile& file = GetParam();
    const std::string path = RealData(file.name);
    const Detection detection = DetectLayout(path);
    ASSERT_TRUE(detection.convertible) << detection.whyNot;
    const Converted hand = ConvertCopy(path, HandPicked(file));
    const Converted detected = ConvertCopy(path, detection.settings);
    ASSERT_EQ(hand.status, 0) << file.name;
    ASSERT_EQ(detected.status, 0) << file.name;
    ASSERT_GT(hand.data.size(), 28U);
    EXPECT_TRUE(hand.data == detected.data)
        << file.name << ": " << hand.data.size() << " vs " << detected.data.size() << " bytes";
    // The choices the file decides come out as picked.
    EXPECT_EQ(detection.settings.dateFormat, file.dateFormat);
    EXPECT_EQ(detection.settings.reverse != 0, file.reverse);
    EXPECT_EQ(detection.settings.delimiter, file.delimiter);
    EXPECT_EQ(detection.settings.csv != 0, file.csv);
    // The detected reading leaves nothing to complain about.
    for (const std::string& id : detected.messageIds) {
        EXPECT_TRUE(id == "LinesWithoutDate" || id == "LinesWithoutPrice" ||
                    id == "LinesMissingColumns")
            << file.name << ": " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RealFileDetection, ::testing::ValuesIn(RealFiles()),
                         [](const ::testing::TestParamInfo<RealFile>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

// The table covers every price file of the folder.
TEST(RealFileTable, CoversEveryPriceFile) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(RealData(""))) {
        if (!entry.is_regular_file() || entry.path().filename() == "SOURCES.md") {
            continue;
        }
        ++files;
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(std::any_of(RealFiles().begin(), RealFiles().end(), [&](const RealFile& f) {
            return name == f.name;
        })) << name;
    }
    EXPECT_EQ(files, RealFiles().size());
}

class Detect : public ::testing::Test {
  protected:
    Detection On(const std::string& text) {
        const std::string path = m_dir.File("in.txt");
        WriteText(path, text);
        return DetectLayout(path);
    }
    static std::string Choice(const Detection& d, const std::string& setting) {
        for (const DetectedChoice& c : d.choices) {
            if (c.setting == setting) {
                return c.value;
            }
        }
        return "?";
    }
    static Confidence ConfidenceOf(const Detection& d, const std::string& setting) {
        for (const DetectedChoice& c : d.choices) {
            if (c.setting == setting) {
                return c.confidence;
            }
        }
        return Confidence::kSure;
    }
    TempDir m_dir;
};

TEST_F(Detect, ClassicMacLinesAndFilesThatCannotBeRead) {
#ifdef _WIN32
    GTEST_SKIP() << "Needs /dev/zero";
#else
    std::string mac = "Date,Open,High,Low,Close\r";
    for (int i = 0; i < 99; ++i) {
        mac += "2004-01-" + std::to_string(10 + i % 20) + ",1,3,0.5,2\r";
    }
    const Detection found = On(mac);
    EXPECT_TRUE(found.convertible) << found.whyNot;
    EXPECT_EQ(found.linesInFile, 100);
    EXPECT_EQ(found.settings.skipRows, 1);

    const Detection tooLong = On("a,1\rb,2\n" + std::string(kMaxLineBytes + 1, '\0'));
    EXPECT_FALSE(tooLong.convertible);
    EXPECT_NE(tooLong.whyNot.find("Line 3 "), std::string::npos) << tooLong.whyNot;

    const Detection device = DetectLayout("/dev/zero");
    EXPECT_FALSE(device.convertible);
    EXPECT_NE(device.whyNot.find("not a regular file"), std::string::npos) << device.whyNot;
#endif
}

TEST_F(Detect, DayAndMonthOrderDecidedByTheOtherRowsOrTheSeries) {
    // One row with a day above 12 decides for every row.
    Detection d = On("Date,Close\n01/02/2020,1\n02/02/2020,2\n25/02/2020,3\n");
    EXPECT_EQ(d.settings.dateFormat, "DD_MM_CCYY");
    EXPECT_EQ(ConfidenceOf(d, "date format"), Confidence::kSure);
    // All below 13: the reading in which the rows are days apart wins.
    d = On("Date,Close\n01/02/2020,1\n01/03/2020,2\n01/06/2020,3\n01/07/2020,3\n");
    EXPECT_EQ(d.settings.dateFormat, "MM_DD_CCYY");
    EXPECT_EQ(ConfidenceOf(d, "date format"), Confidence::kLikely);
    d = On("Date,Close\n02/01/2020,1\n03/01/2020,2\n06/01/2020,3\n07/01/2020,3\n");
    EXPECT_EQ(d.settings.dateFormat, "DD_MM_CCYY");
    // Nothing decides: month first, said to be a guess; a dotted date or a
    // semicolon file is read day first.
    d = On("Date,Close\n03/04/2020,1\n");
    EXPECT_EQ(d.settings.dateFormat, "MM_DD_CCYY");
    EXPECT_EQ(ConfidenceOf(d, "date format"), Confidence::kGuess);
    EXPECT_FALSE(d.warnings.empty());
    EXPECT_EQ(On("Date,Close\n03.04.2020,1\n").settings.dateFormat, "DD_MM_CCYY");
    EXPECT_EQ(On("Datum;Schluss\n03/04/2020;1\n").settings.dateFormat, "DD_MM_CCYY");
    // Two-digit years: the year-first reading would jump by years.
    EXPECT_EQ(On("03/01/23;1\n04/01/23;2\n05/01/23;3\n06/01/23;4\n").settings.dateFormat,
              "DD_MM_YY");
}

TEST_F(Detect, FieldsFromValuesWithoutHeader) {
    // Low before high, a volume of whole numbers, and an unknown last column.
    const Detection d =
        On("20200102 10.0 9.5 10.8 10.2 1500 0.03\n"
           "20200103 10.2 9.9 10.9 10.1 1700 0.02\n"
           "20200106 10.1 9.7 10.4 9.8 900 0.01\n");
    ASSERT_TRUE(d.convertible) << d.whyNot;
    EXPECT_EQ(d.settings.delimiter, 2);
    EXPECT_EQ(d.settings.dateFormat, "CCYYMMDD");
    EXPECT_EQ(d.settings.skipOn, 0);
    const std::array<int, kFieldSlots> on = {1, 1, 1, 1, 1, 1, 0};
    EXPECT_EQ(d.settings.fieldOn, on);
    EXPECT_EQ(d.settings.fieldCol[kSlotHigh], 4);
    EXPECT_EQ(d.settings.fieldCol[kSlotLow], 3);
    EXPECT_EQ(d.settings.fieldCol[kSlotOpen], 2);
    EXPECT_EQ(d.settings.fieldCol[kSlotClose], 5);
    EXPECT_EQ(d.settings.fieldCol[kSlotVolume], 6);
    EXPECT_EQ(ConfidenceOf(d, "open column"), Confidence::kGuess);
    EXPECT_NE(d.warnings.back().find("7"), std::string::npos);
}

TEST_F(Detect, SemicolonDecimalCommaAndQuotedThousands) {
    Detection d =
        On("\"Datum\";\"Erster\";\"Hoch\";\"Tief\";\"Schlusskurs\";\"Volumen\"\n"
           "\"02.01.2020\";\"1.234,5\";\"1.240,0\";\"1.230,25\";\"1.238,75\";\"12.345\"\n"
           "\"03.01.2020\";\"1.238,0\";\"1.250,5\";\"1.235,0\";\"1.249,0\";\"9.876\"\n");
    ASSERT_TRUE(d.convertible) << d.whyNot;
    EXPECT_EQ(d.settings.delimiter, 3);
    EXPECT_EQ(d.settings.decimalComma, 1);
    EXPECT_EQ(d.settings.csv, 1);
    EXPECT_EQ(d.settings.dateFormat, "DD_MM_CCYY");
    const auto rows = PreviewLines(m_dir.File("in.txt"), d.settings, 5);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].date, 1200102.0F);
    EXPECT_EQ(rows[0].values[kSlotOpen], 1234.5F);
    EXPECT_EQ(rows[0].values[kSlotLow], 1230.25F);
    EXPECT_EQ(rows[0].values[kSlotVolume], 12345.0F);
}

TEST_F(Detect, FooterOrderAndPreviewInStoredOrder) {
    const Detection d =
        On("Title line\nDate\tOpen\tHigh\tLow\tClose\n"
           "2020/01/03\t2\t3\t1\t2.5\n2020/01/02\t1\t2\t0.5\t1.5\n\nSource: somewhere\n");
    ASSERT_TRUE(d.convertible) << d.whyNot;
    EXPECT_EQ(d.settings.skipRows, 2);
    EXPECT_EQ(d.settings.footerRows, 1);
    EXPECT_EQ(d.settings.reverse, 1);
    const auto rows = PreviewLines(m_dir.File("in.txt"), d.settings, 10);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].line, 4);
    EXPECT_EQ(rows[0].date, 1200102.0F);
    EXPECT_EQ(rows[1].values[kSlotClose], 2.5F);
}

TEST_F(Detect, SaysWhyAFileCannotBeConverted) {
    // Dates before 1961 have no day number in the database's calendar.
    Detection d = On("Date,Close\n1950-01-03,16.66\n1950-01-04,16.85\n");
    EXPECT_FALSE(d.convertible);
    EXPECT_NE(d.whyNot.find("before 1961"), std::string::npos);
    d = On(std::string("\x01\x02\0\x03 binary", 10));
    EXPECT_FALSE(d.convertible);
    EXPECT_NE(d.whyNot.find("not text"), std::string::npos);
    d = On("just some words\nand more words here\n");
    EXPECT_FALSE(d.convertible);
    EXPECT_FALSE(d.whyNot.empty());
    d = On("");
    EXPECT_FALSE(d.convertible);
    EXPECT_FALSE(DetectLayout(m_dir.File("missing.csv")).convertible);
}

TEST_F(Detect, Utf16FileDetectsAsItsText) {
    const std::string text = "Date,Open,High,Low,Close\r\n2020-01-02,1,2,0.5,1.5\r\n";
    std::string wide = "\xFF\xFE";
    for (char c : text) {
        wide += std::string{c, '\0'};
    }
    const Detection d = On(wide);
    ASSERT_TRUE(d.convertible) << d.whyNot;
    EXPECT_EQ(d.settings.dateFormat, "CCYY_MM_DD");
    EXPECT_EQ(d.settings.fieldCol[kSlotClose], 5);
    EXPECT_EQ(Choice(d, "close column"), "column 5 (Close)");
}

// Three tickers on each of four days, ticker first, then the date; day by
// day, or ticker by ticker.
std::string ThreeTickers(const std::string& header, const std::string& cell = "%",
                         bool byTicker = false) {
    std::string text = header.empty() ? "" : header + "\n";
    for (int i = 0; i < 12; ++i) {
        std::string name = cell;
        name.replace(name.find('%'), 1, std::string(3, "ABC"[byTicker ? i / 4 : i % 3]));
        const int day = 3 + (byTicker ? i % 4 : i / 3);
        text += name + ",2023010" + std::to_string(day) + ",10,11,9,10.5,100\n";
    }
    return text;
}

TEST_F(Detect, TickerColumnByNameOrByNamesThatRepeatWithTheDates) {
    const struct {
        std::string text;
        int tickerCol;
        int closeCol = 6;
    } cases[] = {
        {ThreeTickers("Ticker,Date,Open,High,Low,Close,Volume"), 1},
        {ThreeTickers("Symbol,Date,Open,High,Low,Close,Volume"), 1},
        {ThreeTickers("<TICKER>,<DTYYYYMMDD>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>"), 1},
        {ThreeTickers("Code,Date,Open,High,Low,Close,Volume"), 1},
        {ThreeTickers(""), 1},
        {ThreeTickers("", "\"%\""), 1},
        {ThreeTickers("Ticker,Date,Open,High,Low,Close,Volume", "%", true), 1},
        {ThreeTickers("", "%", true), 1},
        // A named column holding one ticker is still the ticker column.
        {"Ticker,Date,Close\nAAA,20230103,1\nAAA,20230104,2\n", 1, 3},
        // Without a header: one name, or names on days that do not repeat,
        // or a date twice under one name, make no ticker column.
        {"AAA,20230103,1\nAAA,20230104,2\nAAA,20230105,3\n", 0},
        {"AAA,20230103,1\nBBB,20230104,2\nAAA,20230105,3\n", 0},
        {"AAA,20230103,1\nBBB,20230103,2\nAAA,20230103,3\n", 0},
    };
    for (const auto& c : cases) {
        const Detection d = On(c.text);
        ASSERT_TRUE(d.convertible) << d.whyNot << "\n" << c.text;
        EXPECT_EQ(d.settings.tickerCol, c.tickerCol) << c.text;
        if (c.tickerCol != 0) {
            // Each ticker's days run oldest first: no reversal, no warning.
            EXPECT_EQ(d.settings.reverse, 0) << c.text;
            EXPECT_EQ(d.settings.fieldCol[kSlotDate], 2) << c.text;
            EXPECT_EQ(d.settings.fieldCol[kSlotClose], c.closeCol) << c.text;
            EXPECT_TRUE(d.warnings.empty()) << d.warnings.front();
        }
    }
}

}  // namespace
}  // namespace torvan::test
