// SPDX-License-Identifier: GPL-3.0-or-later
// Adding a file's new days to a security: the same bytes as converting the
// whole file, nothing changed by a second run, overlapping days kept,
// replaced or replaced all, and every other byte of vendor databases kept.
#include <filesystem>
#include <map>

#include "JobFixture.h"
#include "database/DatabaseReader.h"
#include "engine/Updater.h"
#include "platform/Text.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const std::string& dir) {
    Snapshot files;
    for (const auto& e : fs::directory_iterator(dir)) {
        files[e.path().filename().string()] = ReadText(e.path().string());
    }
    return files;
}

std::string Lines(int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i) {
        text += "01/" + std::to_string(10 + i) + "/04," + std::to_string(i) + ".5,2,1,1." +
                std::to_string(i) + "," + std::to_string(100 * i) + ",7\n";
    }
    return text;
}

class UpdateTest : public JobTest {
  protected:
    int Update(const std::string& text, CUpdater::Overlap overlap = CUpdater::Overlap::kKeep,
               const std::string& symbol = "IBM", int format = kMM_DD_YY) {
        m_updater = std::make_unique<CUpdater>();
        Fill(m_updater->m_job, Input("update.txt", text), format, false);
        m_updater->m_job.m_szSymbol = symbol;
        m_updater->m_overlap = overlap;
        return m_updater->Run();
    }
    int Convert(const std::string& text, bool emaster = false) {
        CConverter job;
        Fill(job, Input("convert.txt", text));
        job.m_bEMaster = emaster ? 1 : 0;
        return job.Run();
    }
    std::unique_ptr<CUpdater> m_updater;
};

TEST_F(UpdateTest, EqualsConvertingTheWholeFileAndASecondRunChangesNothing) {
    const std::string whole = Lines(0, 12);
    for (const bool emaster : {false, true}) {
        for (const int first : {1, 7, 12}) {
            SCOPED_TRACE(std::to_string(first) + (emaster ? " with EMASTER" : ""));
            TempDir reference;
            CConverter job;
            Fill(job, Input("whole.txt", whole));
            job.m_szPathOut = reference.Path();
            job.m_bEMaster = emaster ? 1 : 0;
            ASSERT_EQ(job.Run(), 0);

            fs::remove_all(m_db.Path());
            fs::create_directory(m_db.Path());
            ASSERT_EQ(Convert(Lines(0, first), emaster), 0);
            ASSERT_EQ(Update(whole), 0) << testing::PrintToString(m_messages.Texts());
            EXPECT_EQ(Take(m_db.Path()), Take(reference.Path()));
            EXPECT_EQ(m_updater->Result().job.recordsWritten, 12 - first);
            EXPECT_EQ(m_updater->Result().skipped, first);
            EXPECT_FALSE(m_updater->Result().added);

            const Snapshot once = Take(m_db.Path());
            ASSERT_EQ(Update(whole), 0);
            EXPECT_EQ(Take(m_db.Path()), once);
            EXPECT_EQ(m_updater->Result().job.recordsWritten, 0);
            EXPECT_EQ(m_updater->Result().skipped, 12);
        }
    }
}

TEST_F(UpdateTest, OverlappingDaysAreKeptReplacedOrReplacedAll) {
    // Stored: 2, 5 and 6 January. The file: the 3rd (missing), the 5th
    // (equal), the 6th (another close) and the 7th (new).
    const std::string stored = "01/02/04,1,1,1,1,1,1\n01/05/04,5,5,5,5,5,5\n01/06/04,6,6,6,6,6,6\n";
    const std::string file =
        "01/03/04,3,3,3,3,3,3\n01/05/04,5,5,5,5,5,5\n01/06/04,6,6,6,9,6,6\n01/07/04,7,7,7,7,7,7\n";
    struct Case {
        CUpdater::Overlap overlap;
        std::vector<std::pair<int, float>> dayAndClose;
        int differing;
        const char* message;
    };
    const Case cases[] = {
        {CUpdater::Overlap::kKeep, {{2, 1}, {5, 5}, {6, 6}, {7, 7}}, 2, "UpdateDaysDiffer"},
        {CUpdater::Overlap::kReplace,
         {{2, 1}, {3, 3}, {5, 5}, {6, 9}, {7, 7}},
         2,
         "UpdateDaysReplaced"},
        {CUpdater::Overlap::kReplaceAll, {{3, 3}, {5, 5}, {6, 9}, {7, 7}}, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.overlap));
        fs::remove_all(m_db.Path());
        fs::create_directory(m_db.Path());
        ASSERT_EQ(Convert(stored), 0);
        m_messages.Clear();
        ASSERT_EQ(Update(file, c.overlap), 0) << testing::PrintToString(m_messages.Texts());
        const auto records = Records(1, 7);
        ASSERT_EQ(records.size(), c.dayAndClose.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i][0], 1040100.0F + static_cast<float>(c.dayAndClose[i].first));
            EXPECT_EQ(records[i][4], c.dayAndClose[i].second);
        }
        EXPECT_EQ(GetU16(ReadBytes(m_db.File("F1.DAT")).data() + 2), records.size() + 1);
        EXPECT_EQ(Stored(Entry(1).firstDate), records.front()[0]);
        EXPECT_EQ(Stored(Entry(1).lastDate), 1040107.0F);
        EXPECT_EQ(m_updater->Result().differing, c.differing);
        EXPECT_EQ(m_messages.Ids().empty() ? "" : m_messages.Ids().front(),
                  c.message == nullptr ? "" : c.message);
    }
}

TEST_F(UpdateTest, TheSecurityFieldsDecideWhatIsStored) {
    // A Date/Close security takes only the close of a full file; a full
    // security gets 0 where a Date/Close file has nothing, and says so.
    struct Case {
        std::vector<int> storedSlots;
        std::vector<int> fileSlots;
        std::vector<float> added;
        const char* message;
    };
    const Case cases[] = {
        {{0, 4}, {0, 1, 2, 3, 4, 5, 6}, {1040106, 4}, nullptr},
        {{0, 1, 2, 3, 4, 5, 6}, {0, 4}, {1040106, 0, 0, 0, 4, 0, 0}, "SecurityFieldsNotInFile"},
    };
    for (const Case& c : cases) {
        fs::remove_all(m_db.Path());
        fs::create_directory(m_db.Path());
        CConverter job;
        Fill(job, Input("convert.txt", "01/05/04,1,2,3,4,5,6\n"));
        job.m_bFieldOn = {};
        for (const int slot : c.storedSlots) {
            job.m_bFieldOn[static_cast<std::size_t>(slot)] = 1;
        }
        ASSERT_EQ(job.Run(), 0);
        m_messages.Clear();
        m_updater = std::make_unique<CUpdater>();
        Fill(m_updater->m_job, Input("update.txt", "01/06/04,1,2,3,4,5,6\n"), kMM_DD_YY, false);
        m_updater->m_job.m_bFieldOn = {};
        for (const int slot : c.fileSlots) {
            m_updater->m_job.m_bFieldOn[static_cast<std::size_t>(slot)] = 1;
        }
        ASSERT_EQ(m_updater->Run(), 0) << testing::PrintToString(m_messages.Texts());
        const auto records = Records(1, static_cast<int>(c.storedSlots.size()));
        ASSERT_EQ(records.size(), 2U);
        EXPECT_EQ(records[1], c.added);
        EXPECT_EQ(m_messages.Ids().empty() ? "" : m_messages.Ids().front(),
                  c.message == nullptr ? "" : c.message);
    }
}

TEST_F(UpdateTest, ANewSymbolIsAddedAndAFullSecurityRefused) {
    ASSERT_EQ(Convert(Lines(0, 2)), 0);
    ASSERT_EQ(Update(Lines(0, 3), CUpdater::Overlap::kKeep, "NEW"), 0);
    EXPECT_TRUE(m_updater->Result().added);
    EXPECT_EQ(Entry(2).SymbolText(), "NEW");
    EXPECT_EQ(Records(2, 7).size(), 3U);

    // One record past the limit of the header's 16-bit count.
    auto line = [](int number) {
        const CalendarDate day = DayNumberToDate(static_cast<std::uint16_t>(number));
        return std::to_string((1900 + day.year) * 10000 + day.month * 100 + day.day) +
               ",1,1,1,1,1,1\n";
    };
    std::string full;
    for (int i = 1; i <= kMaxPriceRecords; ++i) {
        full += line(i);
    }
    CConverter job;
    Fill(job, Input("full.txt", full), kCCYYMMDD, false);
    job.m_szSymbol = "FULL";
    ASSERT_EQ(job.Run(), 0);
    const Snapshot before = Take(m_db.Path());
    m_messages.Clear();
    EXPECT_NE(Update(line(kMaxPriceRecords + 1), CUpdater::Overlap::kKeep, "FULL", kCCYYMMDD), 0);
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"TooManyPriceLines"});
    EXPECT_EQ(Take(m_db.Path()), before);
}

// A day added to a security of each vendor database: the price file gets a
// record and its count, each index listing the security its last date;
// nothing else changes by a byte. An intraday security is refused.
TEST_F(UpdateTest, VendorDatabasesKeepEveryOtherByte) {
    struct Case {
        const char* dir;
        const char* symbol;
        const char* priceFile;
        std::vector<const char*> indexes;
    };
    const Case cases[] = {
        {"equis_b", ".FCHI", "F2.DAT", {"MASTER", "EMASTER"}},
        {"equis_b", "AZM.L", "F256.MWD", {"XMASTER"}},
        {"bist_full_master", "CHFJPY", "F224.DAT", {"MASTER", "EMASTER"}},
        {"bist_full_master", "EURUSD", "F564.MWD", {"XMASTER"}},
        {"futures_2yr_note", "TU2__1990U", "F1.dat", {"master", "emaster"}},
        {"futures_2yr_note", "HO2__2024Z", "F548.mwd", {"xmaster"}},
        {"stooq_intraday", "2HR.DE", nullptr, {}},
    };
    // Record size and where the last date lies in an entry.
    const std::map<std::string, std::pair<std::size_t, std::size_t>> lastDate = {
        {"MASTER", {53, 29}}, {"EMASTER", {192, 72}}, {"XMASTER", {150, 116}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dir) + " " + c.symbol);
        fs::remove_all(m_db.Path());
        fs::create_directory(m_db.Path());
        for (const auto& e : fs::directory_iterator(RealData(std::string("metastock/") + c.dir))) {
            const std::string to = m_db.File(e.path().filename().string());
            fs::copy_file(e.path(), to);
            fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
        }
        const Snapshot before = Take(m_db.Path());
        m_messages.Clear();
        const int status =
            Update("01/02/25,1,2,0.5,1.5,100,10\n", CUpdater::Overlap::kKeep, c.symbol);
        Snapshot after = Take(m_db.Path());
        if (c.priceFile == nullptr) {
            EXPECT_NE(status, 0);
            EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"SecurityNotUpdatable"});
            EXPECT_EQ(after, before);
            continue;
        }
        ASSERT_EQ(status, 0) << testing::PrintToString(m_messages.Texts());
        // The price file: the old bytes but the count, and one record more.
        std::string& data = after[c.priceFile];
        const std::string& old = before.at(c.priceFile);
        SecurityRecords read;
        ASSERT_EQ(ReadSecurityEnds(m_db.Path(), c.symbol, read), ReadResult::kOk);
        ASSERT_EQ(data.size(), old.size() + 4 * read.entry.fieldNames.size());
        EXPECT_EQ(GetU16(reinterpret_cast<const std::uint8_t*>(data.data()) + 2),
                  GetU16(reinterpret_cast<const std::uint8_t*>(old.data()) + 2) + 1);
        EXPECT_EQ(MbfToFloat(reinterpret_cast<const std::uint8_t*>(data.data()) + old.size()),
                  1250102.0F);
        data = old;
        // Each index: only the security's last date changed, to the new day.
        for (const std::string index : c.indexes) {
            std::string& text = after[index];
            const std::string& was = before.at(index);
            ASSERT_EQ(text.size(), was.size());
            std::size_t first = 0;
            while (first < text.size() && text[first] == was[first]) {
                ++first;
            }
            std::size_t last = text.size();
            while (last > first && text[last - 1] == was[last - 1]) {
                --last;
            }
            const auto [size, offset] = lastDate.at(ToUpperAscii(index));
            const std::size_t field = first / size * size + offset;
            ASSERT_LT(first, text.size()) << index;
            EXPECT_TRUE(first >= field && last <= field + 4)
                << index << " " << first << ".." << last;
            text.replace(field, 4, was, field, 4);
        }
        EXPECT_EQ(after, before);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(read.rows.back().front(), 1250102.0F);
        EXPECT_EQ(MbfToFloat(read.entry.record.lastDate), 1250102.0F);
    }
}

}  // namespace
}  // namespace torvan::test
