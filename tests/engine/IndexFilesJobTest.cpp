// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions into databases with EMASTER and XMASTER: the vendor databases
// get the new security without losing a byte, EMASTER stays in step with
// MASTER, XMASTER takes what MASTER cannot hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>

#include "JobFixture.h"
#include "database/Check.h"
#include "database/DatabaseReader.h"
#include "database/EMaster.h"
#include "database/Index.h"
#include "database/IndexFields.h"
#include "database/XMaster.h"
#include "platform/Text.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::vector<std::uint8_t>>;

constexpr const char* kPrices =
    "01/02/04,1,2,0.5,1.5,100,10\n"
    "01/05/04,2,3,1,2.5,200,20\n";
constexpr const char* kLongName = "International Business Machines";  // 31 characters

Files Snapshot(const std::string& dir) {
    Files files;
    for (const auto& e : fs::directory_iterator(dir)) {
        files[e.path().filename().string()] = ReadBytes(e.path().string());
    }
    return files;
}

void CopyVendor(const std::string& name, const std::string& to) {
    for (const auto& e : fs::directory_iterator(RealData("metastock/" + name))) {
        fs::copy_file(e.path(), JoinPath(to, e.path().filename().string()));
        fs::permissions(JoinPath(to, e.path().filename().string()), fs::perms::owner_write,
                        fs::perm_options::add);
    }
}

std::map<std::string, int> FindingCounts(const std::string& dir) {
    std::map<std::string, int> counts;
    for (const Finding& f : CheckDatabase(dir)) {
        ++counts[f.id];
    }
    return counts;
}

// A byte range of `after` equal to the same range of `before`.
bool SameRange(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
               std::size_t from, std::size_t to) {
    return after.size() >= to && before.size() >= to &&
           std::equal(before.begin() + static_cast<long>(from),
                      before.begin() + static_cast<long>(to),
                      after.begin() + static_cast<long>(from));
}

struct VendorCase {
    const char* dir;
    bool toXMaster;      // MASTER is full: the security goes into XMASTER
    int fileNumber;      // the number it gets
    bool emasterInStep;  // EMASTER matches MASTER before and after
    int newFindings;     // EMASTER entries compared with the new MASTER entry
};

std::ostream& operator<<(std::ostream& os, const VendorCase& c) {
    return os << c.dir;
}

class VendorAddition : public JobTest, public ::testing::WithParamInterface<VendorCase> {};

TEST_P(VendorAddition, KeepsEveryOldByteAndListsTheNewSecurityEverywhere) {
    const VendorCase& c = GetParam();
    CopyVendor(c.dir, m_db.Path());
    const Files before = Snapshot(m_db.Path());
    auto findingsBefore = FindingCounts(m_db.Path());
    std::vector<SecurityEntry> listedBefore;
    ASSERT_TRUE(ListSecurities(m_db.Path(), listedBefore));

    CConverter job;
    Fill(job, Input("ibm.txt", kPrices), kMM_DD_YY, false);
    job.m_szSymbol = "NEWSYM";
    job.m_szName = kLongName;
    ASSERT_EQ(job.Run(), 0) << m_messages.Ids().size();
    EXPECT_EQ(job.m_nFileNumber, c.fileNumber);
    EXPECT_EQ(job.m_bInXMaster, c.toXMaster);
    const Files after = Snapshot(m_db.Path());

    // Every old file: unchanged, or the index files grown by one entry with
    // only their counts changed in the header.
    for (const auto& [name, old] : before) {
        ASSERT_TRUE(after.count(name)) << name << " is gone";
        const auto& now = after.at(name);
        const std::string kind = ToUpperAscii(name);
        if (kind == "MASTER" && !c.toXMaster) {
            ASSERT_EQ(now.size(), old.size() + kMasterRecordSize) << name;
            EXPECT_TRUE(SameRange(old, now, 4, old.size())) << name;
            EXPECT_EQ(GetU16(now.data()), GetU16(old.data()) + 1);
        } else if (kind == "EMASTER" && c.emasterInStep && !c.toXMaster) {
            ASSERT_EQ(now.size(), old.size() + kEMasterRecordSize) << name;
            EXPECT_EQ(now[0], old[0] + 1);
            EXPECT_TRUE(SameRange(old, now, 3, old.size())) << name;
        } else if (kind == "XMASTER" && c.toXMaster) {
            ASSERT_EQ(now.size(), old.size() + kXMasterRecordSize) << name;
            EXPECT_TRUE(SameRange(old, now, 0, 10) && SameRange(old, now, 12, 14) &&
                        SameRange(old, now, 16, 18) && SameRange(old, now, 20, old.size()))
                << name;
        } else {
            EXPECT_EQ(now, old) << name << " changed";
        }
    }
    // New files: the security's own and the backup of MASTER.
    const std::string number = std::to_string(c.fileNumber);
    for (const auto& [name, bytes] : after) {
        if (before.count(name) == 0) {
            const bool expected = name == "F" + number + (c.toXMaster ? ".MWD" : ".DAT") ||
                                  name == "F" + number + ".DOP" || EqualsNoCase(name, "MASTER.BAK");
            EXPECT_TRUE(expected) << "unexpected " << name;
        }
    }

    // The new entry as readers see it, consistent across the index files.
    DatabaseIndex index;
    ASSERT_TRUE(ReadDatabaseIndex(m_db.Path(), index));
    EXPECT_EQ(index.emasterInStep, c.emasterInStep);
    const auto added = std::find_if(index.entries.begin(), index.entries.end(),
                                    [](const IndexEntry& e) { return e.symbol == "NEWSYM"; });
    ASSERT_NE(added, index.entries.end());
    EXPECT_EQ(added->fileNumber, c.fileNumber);
    EXPECT_EQ(added->source, c.toXMaster ? IndexSource::kXMaster : IndexSource::kMaster);
    EXPECT_EQ(added->firstDate, 1040102.0F);
    EXPECT_EQ(added->lastDate, 1040105.0F);
    EXPECT_EQ(added->fieldCount, 7);
    if (c.toXMaster || c.emasterInStep) {
        EXPECT_EQ(added->name, kLongName);
        EXPECT_EQ(added->fieldBits, 127);
    } else {
        EXPECT_EQ(added->name, std::string(kLongName).substr(0, 16));
    }
    if (c.emasterInStep && !c.toXMaster) {
        const EMasterRecord& extra = index.emaster->records[added->position - 1];
        EXPECT_EQ(extra.SymbolText(), "NEWSYM");
        EXPECT_EQ(extra.FirstDate(), 1040102.0F);
        EXPECT_EQ(extra.LastDate(), 1040105.0F);
        EXPECT_EQ(extra.firstDateNumber, 20040102U);
        EXPECT_EQ(index.emaster->header.highestFileNumber, index.master.header.fileCounter);
    }

    // list and dump show the old securities and the new one.
    std::vector<SecurityEntry> listed;
    ASSERT_TRUE(ListSecurities(m_db.Path(), listed));
    ASSERT_EQ(listed.size(), listedBefore.size() + 1);
    // MASTER's securities, then XMASTER's: the new one among its index's.
    const auto it = std::find_if(listed.begin(), listed.end(),
                                 [](const SecurityEntry& e) { return e.symbol == "NEWSYM"; });
    ASSERT_NE(it, listed.end());
    EXPECT_EQ(it->name, added->name);
    listed.erase(it);
    for (std::size_t i = 0; i < listedBefore.size(); ++i) {
        EXPECT_EQ(listed[i].symbol, listedBefore[i].symbol);
        EXPECT_EQ(listed[i].fileNumber, listedBefore[i].fileNumber);
    }
    SecurityRecords records;
    ASSERT_EQ(ReadSecurity(m_db.Path(), "newsym", records), ReadResult::kOk);
    ASSERT_EQ(records.rows.size(), 2U);
    EXPECT_EQ(records.rows[1][0], 1040105.0F);
    EXPECT_EQ(records.entry.inXMaster, c.toXMaster);
    const std::string& oldSymbol = listedBefore.front().symbol;
    const auto oldPrice = FindFileNoCase(m_db.Path(), listedBefore.front().PriceFileName());
    if (oldPrice) {
        ASSERT_EQ(ReadSecurity(m_db.Path(), oldSymbol, records), ReadResult::kOk) << oldSymbol;
        EXPECT_FALSE(records.rows.empty());
    }

    // check finds nothing new, bar what a mismatched EMASTER makes of it.
    if (c.newFindings > 0) {
        findingsBefore["EMasterSymbol"] += c.newFindings;
    }
    EXPECT_EQ(FindingCounts(m_db.Path()), findingsBefore);
}

INSTANTIATE_TEST_SUITE_P(Vendor, VendorAddition,
                         ::testing::Values(
                             // EMASTER in step, XMASTER with numbers 256 and 2853.
                             VendorCase{"equis_b", false, 3, true, 0},
                             // A full MASTER: the 256th goes into XMASTER after its 1,884.
                             VendorCase{"bist_full_master", true, 2140, true, 0},
                             // Lower-case names; an EMASTER of 255 entries that does not match the
                             // MASTER of 128: readers ignore it, and so does the addition.
                             VendorCase{"futures_2yr_note", false, 129, false, 1},
                             // No EMASTER or XMASTER: exactly as before.
                             VendorCase{"stooq_intraday", false, 2, false, 0}));

class IndexFilesJob : public JobTest {
  protected:
    // Adds a security through a whole run; returns the run's status.
    int Add(const std::string& symbol, const std::string& name = "", bool newMaster = false,
            int xmaster = 0, int emaster = 0) {
        CConverter job;
        Fill(job, Input(symbol + ".txt", kPrices), kMM_DD_YY, newMaster);
        job.m_szSymbol = symbol;
        job.m_szName = name;
        job.m_bXMaster = xmaster;
        job.m_bEMaster = emaster;
        const int status = job.Run();
        lastNumber = job.m_nFileNumber;
        return status;
    }

    // A MASTER with count entries numbered 1..count (no price files).
    void WriteFullMaster(int count) {
        MasterHeader h;
        h.entryCount = static_cast<std::uint16_t>(count);
        h.fileCounter = h.entryCount;
        const auto hb = h.Pack();
        std::vector<std::uint8_t> bytes(hb.begin(), hb.end());
        for (int n = 1; n <= count; ++n) {
            MasterRecord r;
            r.fileNumber = static_cast<std::uint8_t>(n);
            r.fieldCount = 7;
            r.recordLength = 28;
            r.period = 'D';
            r.symbol = PadField("S" + std::to_string(n));
            const auto b = r.Pack();
            bytes.insert(bytes.end(), b.begin(), b.end());
        }
        WriteBytes(m_db.File("MASTER"), bytes);
    }

    int lastNumber = 0;
};

TEST_F(IndexFilesJob, AFullMasterWithoutXMasterIsRefusedWithAHint) {
    WriteFullMaster(255);
    const Files before = Snapshot(m_db.Path());
    EXPECT_EQ(Add("MORE"), 1);
    ASSERT_EQ(m_messages.Ids(), std::vector<std::string>{"PortfolioFull"});
    EXPECT_NE(m_messages.Messages()[0].text.find("--xmaster"), std::string::npos);
    EXPECT_EQ(Snapshot(m_db.Path()), before);

    // Asked for, the XMASTER is made.
    m_messages.Clear();
    ASSERT_EQ(Add("MORE", kLongName, false, 1), 0);
    EXPECT_EQ(lastNumber, 256);
    EXPECT_EQ(ReadBytes(m_db.File("MASTER")), before.at("MASTER"));
    XMasterFile xmaster;
    ASSERT_TRUE(ParseXMaster(ReadText(m_db.File("XMASTER")), xmaster));
    EXPECT_TRUE(xmaster.header.HasMagic());
    EXPECT_EQ(xmaster.header.entryCount, 1);
    EXPECT_EQ(xmaster.header.entryCount2, 1);
    EXPECT_EQ(xmaster.header.nextFileNumber, 257);
    ASSERT_EQ(xmaster.CountedEntries(), 1U);
    const XMasterRecord& r = xmaster.records[0];
    EXPECT_EQ(r.SymbolText(), "MORE");
    EXPECT_EQ(r.NameText(), kLongName);
    EXPECT_EQ(r.fileNumber, 256);
    EXPECT_EQ(r.fieldBits, 127);
    EXPECT_EQ(r.firstDate, 20040102U);
    EXPECT_EQ(r.lastDate, 20040105U);
    EXPECT_EQ(ReadBytes(m_db.File("F256.MWD")).size(), 28U * 3);
    EXPECT_TRUE(FileExists(m_db.File("F256.DOP")));

    // From now on the XMASTER is used without asking; a symbol it holds is
    // a duplicate, and F257.MWD of another program is not overwritten, in
    // any spelling.
    WriteText(m_db.File("F257.MWD"), "someone else's");
    WriteText(m_db.File("f258.mwd"), "someone else's");
    ASSERT_EQ(Add("NEXT"), 0);
    EXPECT_EQ(lastNumber, 259);
    EXPECT_EQ(ReadText(m_db.File("F257.MWD")), "someone else's");
    EXPECT_EQ(ReadText(m_db.File("f258.mwd")), "someone else's");
    m_messages.Clear();
    EXPECT_EQ(Add("more"), 1);
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"DuplicateSymbol"});
}

TEST_F(IndexFilesJob, CsvReadingAlsoWritesIntoXMaster) {
    WriteFullMaster(255);
    CConverter job;
    Fill(job, Input("q.csv", "\"01/02/04\",1,2,0.5,\"1,5\",100,10\n"), kMM_DD_YY, false);
    job.m_szSymbol = "CSV";
    job.m_bCsv = 1;
    job.m_bDecimalComma = 1;
    job.m_bXMaster = 1;
    ASSERT_EQ(job.Run(), 0);
    EXPECT_TRUE(job.m_bInXMaster);
    const auto mwd = ReadBytes(m_db.File("F256.MWD"));
    ASSERT_EQ(mwd.size(), 2U * 28);
    EXPECT_EQ(MbfToFloat(mwd.data() + 28), 1040102.0F);
    EXPECT_EQ(MbfToFloat(mwd.data() + 28 + 16), 1.5F);
    XMasterFile xmaster;
    ASSERT_TRUE(ParseXMaster(ReadText(m_db.File("XMASTER")), xmaster));
    EXPECT_EQ(xmaster.records.at(0).lastDate, 20040102U);
}

TEST_F(IndexFilesJob, EMasterAndXMasterSymbolsAreDuplicates) {
    CopyVendor("equis_b", m_db.Path());
    const Files before = Snapshot(m_db.Path());
    for (const char* symbol : {"azm.l", ".N225", ".djx"}) {
        m_messages.Clear();
        EXPECT_EQ(Add(symbol), 1) << symbol;
        EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"DuplicateSymbol"}) << symbol;
    }
    // EMASTER and XMASTER hold 14 characters of a symbol.
    m_messages.Clear();
    EXPECT_EQ(Add("FIFTEEN_LETTERS"), 1);
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"SymbolTooLongForIndex"});
    EXPECT_EQ(Snapshot(m_db.Path()), before);
}

TEST_F(IndexFilesJob, AnEMasterThatLagsBehindGetsTheEntriesItLacks) {
    // Made with EMASTER, then one security added by a program that knows
    // only MASTER.
    ASSERT_EQ(Add("FIRST", "First security", true, 0, 1), 0);
    const auto emasterOfOne = ReadBytes(m_db.File("EMASTER"));
    ASSERT_EQ(Add("SECOND", "Second one"), 0);
    WriteBytes(m_db.File("EMASTER"), emasterOfOne);
    DatabaseIndex index;
    ASSERT_TRUE(ReadDatabaseIndex(m_db.Path(), index));
    ASSERT_FALSE(index.emasterInStep);

    m_messages.Clear();
    ASSERT_EQ(Add("THIRD", kLongName), 0);
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"EMasterCompleted"});
    ASSERT_TRUE(ReadDatabaseIndex(m_db.Path(), index));
    EXPECT_TRUE(index.emasterInStep);
    const auto emaster = ReadBytes(m_db.File("EMASTER"));
    EXPECT_TRUE(SameRange(emasterOfOne, emaster, 3, emasterOfOne.size()));
    ASSERT_EQ(index.entries.size(), 3U);
    EXPECT_EQ(index.entries[0].name, "First security");
    EXPECT_EQ(index.emaster->records[1].SymbolText(), "SECOND");
    EXPECT_EQ(index.emaster->records[1].FirstDate(), 1040102.0F);
    EXPECT_EQ(index.emaster->records[1].fieldBits, 127);  // guessed from 7 fields
    EXPECT_EQ(index.entries[2].name, kLongName);
    EXPECT_EQ(CheckDatabase(m_db.Path()).size(), 0U);
}

TEST_F(IndexFilesJob, AnEMasterThatDoesNotMatchIsLeftAlone) {
    ASSERT_EQ(Add("FIRST", "", true, 0, 1), 0);
    ASSERT_EQ(Add("SECOND"), 0);
    // Another directory's EMASTER: one entry, numbered 2 where MASTER's
    // first is 1.
    auto mismatched = ReadBytes(m_db.File("EMASTER"));
    mismatched.resize(2 * kEMasterRecordSize);
    mismatched[0] = 1;
    mismatched[kEMasterRecordSize + 2] = 2;
    WriteBytes(m_db.File("EMASTER"), mismatched);
    m_messages.Clear();
    ASSERT_EQ(Add("THIRD"), 0);
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"EMasterOutOfStep"});
    EXPECT_EQ(ReadBytes(m_db.File("EMASTER")), mismatched);
    EXPECT_EQ(lastNumber, 3);
}

TEST_F(IndexFilesJob, NewDatabasesWithEMaster) {
    // A new MASTER beside another directory's index files is refused.
    WriteText(m_db.File("xmaster"), "left over");
    EXPECT_EQ(Add("A", "", true), 1);
    EXPECT_EQ(m_messages.Ids(), std::vector<std::string>{"IndexFileExists"});
    EXPECT_FALSE(FileExists(m_db.File("MASTER")));
    fs::remove(m_db.File("xmaster"));

    ASSERT_EQ(Add("A", kLongName, true, 0, 1), 0);
    EMasterFile emaster;
    ASSERT_TRUE(ParseEMaster(ReadText(m_db.File("EMASTER")), emaster));
    EXPECT_EQ(emaster.header.entryCount, 1);
    EXPECT_EQ(emaster.header.highestFileNumber, 1);
    EXPECT_EQ(emaster.header.serial, (std::array<std::uint8_t, 4>{}));
    ASSERT_EQ(emaster.records.size(), 1U);
    EXPECT_EQ(emaster.records[0].LongNameText(), kLongName);
    EXPECT_EQ(emaster.records[0].ShortNameText(), std::string(kLongName).substr(0, 16));
    EXPECT_EQ(MasterRecord::Unpack(Master().data() + kMasterRecordSize).NameText(),
              std::string(kLongName).substr(0, 16));
    ASSERT_EQ(Add("B", "Bee"), 0);
    EXPECT_EQ(CheckDatabase(m_db.Path()).size(), 0U);
}

TEST_F(IndexFilesJob, EMasterMadeForAnExistingDatabaseWhenAskedFor) {
    ASSERT_EQ(Add("A", "Alpha", true), 0);
    ASSERT_EQ(Add("B", "Beta"), 0);
    EXPECT_FALSE(FindFileNoCase(m_db.Path(), "EMASTER"));
    m_messages.Clear();
    ASSERT_EQ(Add("C", kLongName, false, 0, 1), 0);
    EXPECT_TRUE(m_messages.Messages().empty());
    DatabaseIndex index;
    ASSERT_TRUE(ReadDatabaseIndex(m_db.Path(), index));
    EXPECT_TRUE(index.emasterInStep);
    ASSERT_EQ(index.entries.size(), 3U);
    EXPECT_EQ(index.entries[1].name, "Beta");
    EXPECT_EQ(index.entries[2].name, kLongName);
    EXPECT_EQ(CheckDatabase(m_db.Path()).size(), 0U);
}

TEST_F(IndexFilesJob, BackupsFollowTheSpellingOfWhatIsThere) {
#ifdef _WIN32
    GTEST_SKIP() << "Names that differ only in case cannot share a folder on Windows";
#else
    ASSERT_EQ(Add("A", "", true), 0);
    ASSERT_EQ(Add("B"), 0);
    EXPECT_TRUE(fs::exists(m_db.File("MASTER.BAK")));

    TempDir lower;
    fs::copy_file(m_db.File("MASTER"), lower.File("master"));
    auto addTo = [&](const std::string& symbol) {
        CConverter job;
        Fill(job, Input(symbol + ".txt", kPrices), kMM_DD_YY, false);
        job.m_szPathOut = lower.Path();
        job.m_szSymbol = symbol;
        return job.Run();
    };
    ASSERT_EQ(addTo("C"), 0);
    EXPECT_TRUE(fs::exists(lower.File("master.bak")));
    EXPECT_FALSE(fs::exists(lower.File("MASTER.BAK")));
    WriteText(lower.File("master.bak"), "old");
    ASSERT_EQ(addTo("D"), 0);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(lower.Path())) {
        names.push_back(e.path().filename().string());
    }
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return EqualsNoCase(n, "master.bak"); }),
              1);
    EXPECT_NE(ReadText(lower.File("master.bak")), "old");
#endif
}

}  // namespace
}  // namespace torvan::test
