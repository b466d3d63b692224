// SPDX-License-Identifier: GPL-3.0-or-later
// The consistency check: a sound database passes, each kind of damage is
// reported, and the vendor databases show what is really wrong in them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "TestSupport.h"
#include "database/Check.h"
#include "database/DataFile.h"
#include "database/EMaster.h"
#include "database/IndexFields.h"
#include "database/Master.h"
#include "database/Mbf.h"
#include "database/XMaster.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Ids(const std::vector<Finding>& findings) {
    std::vector<std::string> ids;
    for (const Finding& f : findings) {
        ids.push_back(f.id);
    }
    return ids;
}

std::map<std::string, int> Counts(const std::vector<Finding>& findings) {
    std::map<std::string, int> counts;
    for (const Finding& f : findings) {
        ++counts[f.id];
    }
    return counts;
}

std::vector<std::uint8_t> DataFile(int fields, const std::vector<float>& dates) {
    std::vector<std::uint8_t> bytes =
        PackDataHeader(fields, static_cast<std::uint16_t>(dates.size() + 1));
    for (float date : dates) {
        for (int f = 0; f < fields; ++f) {
            const Bytes4 value = FloatToMbf(f == 0 ? date : 10.0F + static_cast<float>(f));
            bytes.insert(bytes.end(), value.begin(), value.end());
        }
    }
    return bytes;
}

MasterRecord MasterEntry(int number, const std::string& symbol, float first, float last) {
    MasterRecord r;
    r.fileNumber = static_cast<std::uint8_t>(number);
    r.fileType = {0x65, 0x00};
    r.recordLength = 28;
    r.fieldCount = 7;
    r.name = PadField(symbol + " name");
    r.firstDate = FloatToMbf(first);
    r.lastDate = FloatToMbf(last);
    r.period = 'D';
    r.symbol = PadField(symbol);
    return r;
}

// A sound database: MASTER with AAA (F1) and BBB (F2), EMASTER in step and
// XMASTER with CCC (F256.MWD); edits before Write damage it.
class CheckTest : public ::testing::Test {
  protected:
    CheckTest() {
        master = {MasterEntry(1, "AAA", 1040102.0F, 1040106.0F),
                  MasterEntry(2, "BBB", 1040102.0F, 1040107.0F)};
        FieldFlags all{};
        all.fill(1);
        for (const MasterRecord& r : master) {
            EMasterRecord e = NewEMasterRecord(r.fileNumber, r.SymbolText(), r.NameText(), all);
            e.SetDates(MbfToFloat(r.firstDate), MbfToFloat(r.lastDate));
            emaster.push_back(e);
        }
        XMasterRecord x = NewXMasterRecord(256, "CCC", "CCC name", all);
        x.firstDate = 20040102;
        x.lastDate = 20040105;
        xmaster.push_back(x);
        data["F1.DAT"] = DataFile(7, {1040102.0F, 1040105.0F, 1040106.0F});
        data["F2.DAT"] = DataFile(7, {1040102.0F, 1040107.0F});
        data["F256.MWD"] = DataFile(7, {1040102.0F, 1040105.0F});
    }

    void Write() {
        MasterHeader h;
        h.entryCount = static_cast<std::uint16_t>(master.size());
        h.fileCounter = h.entryCount;
        auto bytes = h.Pack();
        std::vector<std::uint8_t> m(bytes.begin(), bytes.end());
        for (const MasterRecord& r : master) {
            const auto b = r.Pack();
            m.insert(m.end(), b.begin(), b.end());
        }
        WriteBytes(db.File("MASTER"), m);

        EMasterHeader eh;
        eh.entryCount = static_cast<std::uint8_t>(emaster.size());
        eh.highestFileNumber = eh.entryCount;
        const auto ehb = eh.Pack();
        std::vector<std::uint8_t> e(ehb.begin(), ehb.end());
        for (const EMasterRecord& r : emaster) {
            const auto b = r.Pack();
            e.insert(e.end(), b.begin(), b.end());
        }
        WriteBytes(db.File("EMASTER"), e);

        std::string x = NewXMasterContent();
        for (const XMasterRecord& r : xmaster) {
            x = *InsertXMasterEntry(x, r);
        }
        WriteText(db.File("XMASTER"), x);
        for (const auto& [name, bytes] : data) {
            WriteBytes(db.File(name), bytes);
        }
    }

    std::vector<std::string> Check() {
        Write();
        return Ids(CheckDatabase(db.Path()));
    }

    void Damage(const std::string& name, const std::function<void(std::vector<std::uint8_t>&)>& f) {
        auto bytes = ReadBytes(db.File(name));
        f(bytes);
        WriteBytes(db.File(name), bytes);
    }

    TempDir db;
    std::vector<MasterRecord> master;
    std::vector<EMasterRecord> emaster;
    std::vector<XMasterRecord> xmaster;
    std::map<std::string, std::vector<std::uint8_t>> data;
};

using Ids_ = std::vector<std::string>;

TEST_F(CheckTest, ASoundDatabasePasses) {
    EXPECT_EQ(Check(), Ids_{});
    // Without the two extra index files as well.
    fs::remove(db.File("EMASTER"));
    fs::remove(db.File("XMASTER"));
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), Ids_{});
}

TEST_F(CheckTest, MasterLayout) {
    Write();
    Damage("MASTER", [](auto& b) { b[0] = 3; });
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), (Ids_{"CountMismatch", "EMasterCount"}));
    Damage("MASTER", [](auto& b) {
        b[0] = 2;
        b.insert(b.end(), 10, 0);
    });
    const auto findings = CheckDatabase(db.Path());
    ASSERT_EQ(Ids(findings), Ids_{"PartialRecord"});
    EXPECT_EQ(findings[0].Line(), "MASTER: 10 bytes after the last whole 53-byte record");

    fs::remove(db.File("MASTER"));
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), Ids_{"NoMaster"});
    WriteText(db.File("MASTER"), "short");
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), Ids_{"NoMaster"});
}

TEST_F(CheckTest, MasterEntries) {
    master[1].fileNumber = 1;
    EXPECT_EQ(Check(), (Ids_{"EMasterFileNumber", "FileNumberTwice"}));
    master[1].fileNumber = 2;
    master[0].recordLength = 24;
    EXPECT_EQ(Check(), Ids_{"RecordLength"});
    master[0].fieldCount = 0;
    EXPECT_EQ(Check(), (Ids_{"FieldCount", "EMasterFields"}));
    master[0].fieldCount = 7;
    master[0].recordLength = 28;
    master[0].fileNumber = 0;
    EXPECT_EQ(Check(), (Ids_{"FileNumberZero", "EMasterFileNumber"}));
    master[0].fileNumber = 1;
    master[0].lastDate = FloatToMbf(1031231.0F);
    EXPECT_EQ(Check(), Ids_{"FirstAfterLast"});
    master[0].lastDate = FloatToMbf(1040106.0F);
    xmaster[0].symbol = NulPadded<14>("aaa");
    EXPECT_EQ(Check(), Ids_{"SymbolTwice"});
}

TEST_F(CheckTest, PriceFiles) {
    data.erase("F2.DAT");
    EXPECT_EQ(Check(), Ids_{"PriceFileMissing"});
    // Control characters of a symbol do not break the one-line findings.
    master[1].symbol = PadField("B\nB");
    emaster[1].symbol = NulPadded<14>("B\nB");
    auto lines = CheckDatabase((Write(), db.Path()));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].Line(), "F2.DAT: missing (the price file of MASTER entry 2 (B?B))");
    master[1].symbol = PadField("BBB");
    emaster[1].symbol = NulPadded<14>("BBB");
    fs::remove(db.File("F2.DAT"));
    data["f2.dat"] = DataFile(7, {1040102.0F, 1040107.0F});  // any letter case
    EXPECT_EQ(Check(), Ids_{});

    data["f2.dat"] = DataFile(7, {1040107.0F, 1040102.0F, 1040105.0F, 1040103.0F});
    auto findings = CheckDatabase((Write(), db.Path()));
    ASSERT_EQ(Ids(findings), Ids_{"DatesOutOfOrder"});
    EXPECT_EQ(findings[0].Line(),
              "f2.dat: record 2 (2004-01-02) is dated before the one above it (2004-01-07); 2 "
              "places in all");

    data["f2.dat"] = DataFile(7, {1040102.0F, 0.0F, 1041340.0F, 1040107.0F});
    EXPECT_EQ(Check(), Ids_{"BadDate"});
    data["f2.dat"] = DataFile(7, {1040102.0F, 1040107.0F});
    data["f2.dat"][2] = 5;  // the header counts 4 price records
    EXPECT_EQ(Check(), Ids_{"CountMismatch"});
    data["f2.dat"][2] = 3;
    data["f2.dat"].resize(data["f2.dat"].size() + 3);
    EXPECT_EQ(Check(), Ids_{"PartialRecord"});
    data["f2.dat"].resize(20);
    EXPECT_EQ(Check(), Ids_{"PriceFileShort"});
}

TEST_F(CheckTest, EMasterAgainstMaster) {
    emaster[1].symbol = NulPadded<14>("OTHER");
    EXPECT_EQ(Check(), Ids_{"EMasterSymbol"});
    emaster[1].symbol = NulPadded<14>("BBB");
    emaster[1].fieldCount = 6;
    EXPECT_EQ(Check(), Ids_{"EMasterFields"});
    emaster[1].fieldCount = 7;
    emaster[1].fieldBits = 63;
    EXPECT_EQ(Check(), Ids_{"EMasterFieldBits"});
    emaster[1].fieldBits = 127;
    emaster[1].SetDates(1040108.0F, 1040107.0F);
    EXPECT_EQ(Check(), Ids_{"FirstAfterLast"});
    emaster.pop_back();
    EXPECT_EQ(Check(), Ids_{"EMasterCount"});
    WriteText(db.File("EMASTER"), "too short for a header");
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), Ids_{"IndexShort"});
}

TEST_F(CheckTest, XMasterHeaderAndEntries) {
    Write();
    Damage("XMASTER", [](auto& b) { b[14] = 5; });
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), Ids_{"XMasterCounts"});
    Damage("XMASTER", [](auto& b) {
        b[14] = 1;
        b[18] = 0;
        b[19] = 1;  // next number 256, in use
    });
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), Ids_{"XMasterNextNumber"});
    Damage("XMASTER", [](auto& b) { b[0] = 0; });
    EXPECT_EQ(Ids(CheckDatabase(db.Path())), Ids_{"XMasterMagic"});

    xmaster[0].fileNumber = 2;
    data["F2.MWD"] = data["F256.MWD"];
    EXPECT_EQ(Check(), (Ids_{"XMasterLowNumber", "FileNumberTwice"}));
    xmaster[0].fileNumber = 256;
    xmaster[0].fieldBits = 62;
    EXPECT_EQ(Check(), Ids_{"FieldCount"});
    xmaster[0].fieldBits = 127;
    xmaster[0].firstDate = 20040202;
    EXPECT_EQ(Check(), Ids_{"FirstAfterLast"});
    xmaster[0].firstDate = 20040102;
    data.erase("F256.MWD");
    fs::remove(db.File("F256.MWD"));
    const auto findings = CheckDatabase((Write(), db.Path()));
    ASSERT_EQ(Ids(findings), Ids_{"PriceFileMissing"});
    EXPECT_EQ(findings[0].Line(), "F256.MWD: missing (the price file of XMASTER entry 1 (CCC))");
}

// What the vendor databases really hold: cut-down copies lack most price
// files, and futures_2yr_note pairs its MASTER with another directory's
// EMASTER.
TEST(CheckVendor, ReportsWhatIsReallyInconsistent) {
    const std::string base = RealData("metastock/");
    EXPECT_EQ(Ids(CheckDatabase(base + "equis_b")), Ids_{});
    EXPECT_EQ(Ids(CheckDatabase(base + "stooq_intraday")), Ids_{});
    EXPECT_EQ(Counts(CheckDatabase(base + "bist_full_master")),
              (std::map<std::string, int>{{"PriceFileMissing", 254 + 1883}}));
    const auto futures = CheckDatabase(base + "futures_2yr_note");
    EXPECT_EQ(Counts(futures),
              (std::map<std::string, int>{
                  {"EMasterCount", 1}, {"EMasterSymbol", 128}, {"PriceFileMissing", 127 + 293}}));
    const auto count = std::find_if(futures.begin(), futures.end(),
                                    [](const Finding& f) { return f.id == "EMasterCount"; });
    ASSERT_NE(count, futures.end());
    EXPECT_EQ(count->Line(),
              "emaster: counts 255 entries but master counts 128 (readers then ignore the long "
              "names)");
}

}  // namespace
}  // namespace torvan::test
