// SPDX-License-Identifier: GPL-3.0-or-later
// Large inputs are read a buffer at a time: what is told and stored must not
// depend on where the buffer ends fall.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "JobFixture.h"

namespace torvan::test {
namespace {

class ChunkedReading : public JobTest {
  protected:
    // The date of line i (from 1), one day after the other from 1 Jan 1961,
    // as CCYYMMDD.
    static std::string DateOf(long i) {
        const CalendarDate d = DayNumberToDate(static_cast<std::uint16_t>(1 + (i - 1) % 60000));
        char text[16];
        std::snprintf(text, sizeof text, "%04d%02d%02d", 1900 + d.year, d.month, d.day);
        return text;
    }
    // Line i with its close telling which line it is, padded to make the
    // file as large as wanted.
    static std::string PricedLine(long i, const std::string& padding = "") {
        return DateOf(i) + ",1.25,2.5,0.75," + std::to_string(i) + ".5,1000" + padding + ",7\n";
    }
    void Convert(CConverter& job, const std::string& text) {
        Fill(job, Input("big.txt", text), kCCYYMMDD);
    }
};

TEST_F(ChunkedReading, CountsAndFirstLinesAreTheWholeFilesWhereverTheyFall) {
    std::string text;
    long priced = 0;
    for (long i = 1; i <= 30000; ++i) {
        if (i == 9999 || i == 25000) {
            text += DateOf(i) + ",1,2,3\n";  // columns missing
            ++priced;
        } else if (i == 12345 || i == 29999) {
            text += DateOf(i) + ",null,null,null,null,0,0\n";
        } else if (i == 15000 || i == 15001 || i == 28000) {
            text += "no date,1,2,3,4,5,6\n";
        } else {
            text += PricedLine(i, "          ");
            ++priced;
        }
    }
    ASSERT_GT(text.size(), std::size_t{3} << 18);  // more than one buffer
    CConverter job;
    Convert(job, text);
    ASSERT_EQ(job.Run(), 0);
    const std::vector<std::string> expected = {
        "3 lines have no valid date in the chosen date format and were not converted.\n"
        "The first is line 15000 of the input file.",
        "2 lines have a date but no price (no open, high, low or close is a number) and were "
        "not converted.\nThe first is line 12345 of the input file.",
        "2 lines have fewer columns than the settings need; their missing fields were stored "
        "as 0. The first is line 9999."};
    std::vector<std::string> told = m_messages.Texts();
    ASSERT_GE(told.size(), 3U);
    told.resize(3);
    EXPECT_EQ(told, expected);
    EXPECT_EQ(job.Result().recordsWritten, priced);
    EXPECT_EQ(job.Result().firstLineWithoutDate, 15000);

    // Every record in order: the close says which line it came from.
    const auto records = Records(1, 7);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(priced));
    long line = 0;
    for (const auto& record : records) {
        do {
            ++line;
        } while (line == 12345 || line == 29999 || line == 15000 || line == 15001 || line == 28000);
        const bool shortLine = line == 9999 || line == 25000;
        ASSERT_EQ(record[4], shortLine ? 0.0F : static_cast<float>(line) + 0.5F) << "line " << line;
    }
}

TEST_F(ChunkedReading, TheRecordLimitNamesItsLineWhereverItFalls) {
    // Three line lengths put the limit at three places in the buffers.
    for (const std::string& padding :
         {std::string(), std::string(16, ' '), std::string(300, ' ')}) {
        std::string text;
        for (long i = 1; i <= 66600; ++i) {
            text += i % 100 == 0 ? "no date,1,2,3,4,5,6\n" : PricedLine(i, padding);
        }
        // 65534 records take 65534 lines and the 661 undated ones among them.
        CConverter job;
        Convert(job, text);
        EXPECT_EQ(job.Run(), 1);
        ASSERT_EQ(m_messages.Texts().size(), 1U);
        EXPECT_NE(m_messages.Texts()[0].find("; line 66196 is the first beyond them."),
                  std::string::npos)
            << m_messages.Texts()[0];
        EXPECT_TRUE(std::filesystem::is_empty(m_db.Path()));
        m_messages = RecordingSink();
    }
}

TEST_F(ChunkedReading, ALongDateColumnDeepInTheFileStopsAtItsLine) {
    std::string text;
    for (long i = 1; i <= 40000; ++i) {
        text += i == 31234 ? std::string(60, '2') + ",1,2,3,4,5,6\n" : PricedLine(i);
    }
    CConverter job;
    Convert(job, text);
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Texts()[0],
              "Line 31234 of the input file has a date column of 60 characters, more than any "
              "date has.\nNothing was converted.");
    EXPECT_TRUE(std::filesystem::is_empty(m_db.Path()));
}

TEST_F(ChunkedReading, TheFirstDatedLineJudgesTheFormatWhereverItIs) {
    // Lines of delimiters only have no columns: the first line with a date
    // column comes far into the file.
    std::string text;
    for (int i = 0; i < 40000; ++i) {
        text += ",,,,,,,,,,,,,,,,\n";
    }
    const std::string tail = "1961-01-02,1,2,3,4,5,6\n1961-01-03,1,2,3,4,5,6\n";
    CConverter job;
    Convert(job, text + tail);
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Texts()[0],
              "You specified a numeric-only date format\nbut a non-numeric date character was "
              "found.");

    m_messages = RecordingSink();
    CConverter separated;
    Fill(separated, Input("big.txt", text + tail), kCCYY_MM_DD);
    ASSERT_EQ(separated.Run(), 0);
    EXPECT_EQ(separated.Result().recordsWritten, 2);
}

}  // namespace
}  // namespace torvan::test
