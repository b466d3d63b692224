// SPDX-License-Identifier: GPL-3.0-or-later
// EMASTER and XMASTER records, the edits made to those files when a security
// is added, and the directory index that readers build from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "TestSupport.h"
#include "database/DatabaseReader.h"
#include "database/EMaster.h"
#include "database/Index.h"
#include "database/IndexFields.h"
#include "database/XMaster.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

std::string Metastock(const std::string& dir) {
    return RealData("metastock/" + dir);
}

std::string Content(const std::string& path) {
    return ReadText(path);
}

template <std::size_t N>
std::array<std::uint8_t, N> Pattern() {
    std::array<std::uint8_t, N> bytes;
    for (std::size_t i = 0; i < N; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    return bytes;
}

std::uint32_t U32At(std::size_t offset) {
    return static_cast<std::uint32_t>(offset) | (static_cast<std::uint32_t>(offset + 1) << 8) |
           (static_cast<std::uint32_t>(offset + 2) << 16) |
           (static_cast<std::uint32_t>(offset + 3) << 24);
}

FieldFlags Fields(std::initializer_list<int> slots) {
    FieldFlags on{};
    for (int s : slots) {
        on[static_cast<std::size_t>(s)] = 1;
    }
    return on;
}

TEST(EMasterRecord, FieldsSitAtTheirOffsets) {
    const auto bytes = Pattern<kEMasterRecordSize>();
    const EMasterRecord r = EMasterRecord::Unpack(bytes.data());
    const std::pair<unsigned, unsigned> fields[] = {
        {r.tag[0], 0},           {r.tag[1], 1},
        {r.fileNumber, 2},       {r.reserved3[0], 3},
        {r.fieldCount, 6},       {r.fieldBits, 7},
        {r.reserved8, 8},        {r.chartFlag, 9},
        {r.reserved10, 10},      {r.symbol[0], 11},
        {r.symbol[13], 24},      {r.reserved25[0], 25},
        {r.shortName[0], 32},    {r.shortName[15], 47},
        {r.reserved48[0], 48},   {r.period, 60},
        {r.reserved61, 61},      {r.minutes, 62 | 63 << 8},
        {r.firstDate[0], 64},    {r.firstTime[0], 68},
        {r.lastDate[0], 72},     {r.lastTime[0], 76},
        {r.tradeTimes[0], 80},   {r.reserved88[0], 88},
        {r.reserved88[37], 125}, {r.firstDateNumber, U32At(126)},
        {r.reserved130[0], 130}, {r.longName[0], 139},
        {r.longName[51], 190},   {r.reserved191, 191}};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        EXPECT_EQ(fields[i].first, fields[i].second) << "field " << i;
    }
    const EMasterHeader h = EMasterHeader::Unpack(bytes.data());
    EXPECT_EQ(h.entryCount, 0);
    EXPECT_EQ(h.highestFileNumber, 2);
    EXPECT_EQ(h.reserved4[0], 4);
    EXPECT_EQ(h.serial[0], 49);
    EXPECT_EQ(h.vendorText[0], 53);
    EXPECT_EQ(h.vendorText[138], 191);
}

TEST(XMasterRecord, FieldsSitAtTheirOffsets) {
    const auto bytes = Pattern<kXMasterRecordSize>();
    const XMasterRecord r = XMasterRecord::Unpack(bytes.data());
    const std::pair<unsigned, unsigned> fields[] = {{r.marker, 0},
                                                    {r.symbol[0], 1},
                                                    {r.symbol[13], 14},
                                                    {r.reserved15, 15},
                                                    {r.name[0], 16},
                                                    {r.name[44], 60},
                                                    {r.reserved61, 61},
                                                    {r.period, 62},
                                                    {r.minutes, 63 | 64 << 8},
                                                    {r.fileNumber, 65 | 66 << 8},
                                                    {r.reserved67[0], 67},
                                                    {r.fieldBits, 70},
                                                    {r.reserved71[0], 71},
                                                    {r.unknown80[0], 80},
                                                    {r.reserved88[0], 88},
                                                    {r.unknown104, U32At(104)},
                                                    {r.firstDate, U32At(108)},
                                                    {r.reserved112[0], 112},
                                                    {r.lastDate, U32At(116)},
                                                    {r.reserved120[0], 120},
                                                    {r.reserved120[29], 149}};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        EXPECT_EQ(fields[i].first, fields[i].second) << "field " << i;
    }
    const XMasterHeader h = XMasterHeader::Unpack(bytes.data());
    const std::pair<unsigned, unsigned> header[] = {{h.magic[0], 0},
                                                    {h.unknown4[0], 4},
                                                    {h.entryCount, 10 | 11 << 8},
                                                    {h.reserved12[0], 12},
                                                    {h.entryCount2, 14 | 15 << 8},
                                                    {h.reserved16[0], 16},
                                                    {h.nextFileNumber, 18 | 19 << 8},
                                                    {h.reserved20[0], 20},
                                                    {h.vendorText[0], 22},
                                                    {h.vendorText[127], 149}};
    for (std::size_t i = 0; i < std::size(header); ++i) {
        EXPECT_EQ(header[i].first, header[i].second) << "header field " << i;
    }
}

TEST(IndexRecords, PackAndUnpackKeepEveryByte) {
    std::mt19937 random(20240316);
    std::uniform_int_distribution<int> byte(0, 255);
    auto fill = [&](auto& bytes) {
        std::generate(bytes.begin(), bytes.end(),
                      [&] { return static_cast<std::uint8_t>(byte(random)); });
    };
    for (int i = 0; i < 300; ++i) {
        EMasterBytes e;
        fill(e);
        EXPECT_EQ(EMasterRecord::Unpack(e.data()).Pack(), e);
        EXPECT_EQ(EMasterHeader::Unpack(e.data()).Pack(), e);
        XMasterBytes x;
        fill(x);
        EXPECT_EQ(XMasterRecord::Unpack(x.data()).Pack(), x);
        EXPECT_EQ(XMasterHeader::Unpack(x.data()).Pack(), x);
    }
}

// Every vendor file, parsed and packed back, is the same bytes.
TEST(IndexRecords, VendorFilesPackBackUnchanged) {
    for (const char* dir : {"equis_b", "bist_full_master", "futures_2yr_note"}) {
        const std::string e = Content(*FindEMaster(Metastock(dir)));
        EMasterFile emaster;
        ASSERT_TRUE(ParseEMaster(e, emaster)) << dir;
        EMasterBytes h = emaster.header.Pack();
        std::string packed(h.begin(), h.end());
        for (const EMasterRecord& r : emaster.records) {
            const EMasterBytes b = r.Pack();
            packed.append(b.begin(), b.end());
        }
        EXPECT_EQ(packed, e) << dir;

        const std::string x = Content(*FindXMaster(Metastock(dir)));
        XMasterFile xmaster;
        ASSERT_TRUE(ParseXMaster(x, xmaster)) << dir;
        EXPECT_TRUE(xmaster.header.HasMagic()) << dir;
        XMasterBytes xh = xmaster.header.Pack();
        packed.assign(xh.begin(), xh.end());
        for (const XMasterRecord& r : xmaster.records) {
            const XMasterBytes b = r.Pack();
            packed.append(b.begin(), b.end());
        }
        EXPECT_EQ(packed, x) << dir;
    }
}

TEST(IndexRecords, VendorEntriesReadAsTheirWriterMeantThem) {
    EMasterFile emaster;
    ASSERT_TRUE(ParseEMaster(Content(Metastock("equis_b/EMASTER")), emaster));
    EXPECT_EQ(emaster.header.entryCount, 2);
    EXPECT_EQ(emaster.header.highestFileNumber, 2);
    ASSERT_EQ(emaster.CountedEntries(), 2U);
    const EMasterRecord& djx = emaster.records[0];
    EXPECT_EQ(djx.fileNumber, 1);
    EXPECT_EQ(djx.fieldCount, 7);
    EXPECT_EQ(djx.fieldBits, 127);
    EXPECT_EQ(djx.SymbolText(), ".DJX");
    EXPECT_EQ(djx.ShortNameText(), "1/100 Dow Jones");
    EXPECT_EQ(djx.NameText(), "1/100 Dow Jones INDU");
    EXPECT_EQ(djx.FirstDate(), 970923.0F);
    EXPECT_EQ(djx.LastDate(), 1111227.0F);
    EXPECT_EQ(djx.firstDateNumber, 19970923U);
    EXPECT_EQ(emaster.records[1].NameText(), "CAC 40 INDICE");  // no long name: the short one

    XMasterFile xmaster;
    ASSERT_TRUE(ParseXMaster(Content(Metastock("equis_b/XMASTER")), xmaster));
    EXPECT_EQ(xmaster.header.entryCount, 2);
    EXPECT_EQ(xmaster.header.nextFileNumber, 2854);
    ASSERT_EQ(xmaster.CountedEntries(), 2U);
    // The vendor left old bytes after the symbol's and the name's NUL.
    EXPECT_EQ(xmaster.records[0].SymbolText(), "AZM.L");
    EXPECT_EQ(xmaster.records[0].NameText(), "AZM.L");
    EXPECT_EQ(xmaster.records[0].fileNumber, 256);
    EXPECT_EQ(xmaster.records[0].firstDate, 19961231U);
    EXPECT_EQ(xmaster.records[0].lastDate, 20090724U);
    EXPECT_EQ(xmaster.records[1].SymbolText(), ".N225");
    EXPECT_EQ(xmaster.records[1].NameText(), "NIKKEI 225 INDEX");
    EXPECT_EQ(xmaster.records[1].fileNumber, 2853);
    EXPECT_EQ(xmaster.records[1].fieldBits, 127);

    // Blank-padded names of another vendor.
    ASSERT_TRUE(ParseXMaster(Content(Metastock("bist_full_master/XMASTER")), xmaster));
    EXPECT_EQ(xmaster.CountedEntries(), 1884U);
    EXPECT_EQ(xmaster.records[0].NameText(), "DENTAS AMBALAJ");
}

TEST(IndexFields, BitsNamesAndDates) {
    EXPECT_EQ(FieldBitsOf(Fields({0, 1, 2, 3, 4, 5, 6})), 127);
    EXPECT_EQ(FieldBitsOf(Fields({0, 1, 2, 3, 4, 5})), 63);
    EXPECT_EQ(FieldBitsOf(Fields({0, 2, 3, 4, 5})), 31);
    EXPECT_EQ(FieldBitsOf(Fields({0, 1, 4})), 41);
    EXPECT_EQ(FieldNamesOfBits(41), (std::vector<std::string>{"Date", "Open", "Close"}));
    EXPECT_EQ(FieldNamesOfBits(0xFF),
              (std::vector<std::string>{"Date", "Time", "Open", "High", "Low", "Close", "Volume",
                                        "OpenInterest"}));
    EXPECT_EQ(CountFieldBits(41), 3);
    // Readers without a bitset guess the fields from the count.
    EXPECT_EQ(GuessedFieldBits(7, false), 127);
    EXPECT_EQ(GuessedFieldBits(6, false), 63);
    EXPECT_EQ(GuessedFieldBits(5, false), 31);
    EXPECT_EQ(GuessedFieldBits(4, false), 15);
    EXPECT_EQ(GuessedFieldBits(3, false), 25);
    EXPECT_EQ(GuessedFieldBits(2, false), 9);
    EXPECT_EQ(GuessedFieldBits(7, true), 128 + 63);
    EXPECT_EQ(GuessedFieldBits(9, false), 0);

    EXPECT_EQ(StoredToYyyymmdd(1040315.0F), 20040315U);
    EXPECT_EQ(StoredToYyyymmdd(991231.0F), 19991231U);
    EXPECT_EQ(StoredToYyyymmdd(0.0F), 0U);
    EXPECT_EQ(YyyymmddToStored(20040315U), 1040315.0F);
    EXPECT_EQ(YyyymmddToStored(0U), 0.0F);
    EXPECT_EQ(StoredDateString(1040315.0F), "2004-03-15");
    EXPECT_EQ(StoredDateString(1041315.0F), "1041315");
    EXPECT_TRUE(IsStoredDate(991231.0F));
    EXPECT_FALSE(IsStoredDate(991232.0F));
    EXPECT_FALSE(IsStoredDate(991200.5F));
}

TEST(NewIndexRecords, EMasterEntryOfANewSecurity) {
    const std::string name = "International Business Machines";  // 31 characters
    const EMasterRecord r = NewEMasterRecord(7, "IBM", name, Fields({0, 1, 4}));
    const EMasterBytes b = r.Pack();
    EXPECT_EQ(b[0], '6');
    EXPECT_EQ(b[1], '6');
    EXPECT_EQ(b[2], 7);
    EXPECT_EQ(b[6], 3);
    EXPECT_EQ(b[7], 41);
    EXPECT_EQ(b[9], ' ');
    EXPECT_EQ(std::string(b.begin() + 11, b.begin() + 25),
              std::string("IBM") + std::string(11, '\0'));
    EXPECT_EQ(std::string(b.begin() + 32, b.begin() + 48), name.substr(0, 16));
    EXPECT_EQ(b[60], 'D');
    EXPECT_EQ(std::string(b.begin() + 139, b.begin() + 139 + 31), name);
    EXPECT_EQ(b[139 + 31], 0);
    // Nothing else is set: every other byte is 0.
    EMasterBytes others = b;
    for (std::size_t i : {0, 1, 2, 6, 7, 9, 60}) {
        others[i] = 0;
    }
    std::fill(others.begin() + 11, others.begin() + 25, 0);
    std::fill(others.begin() + 32, others.begin() + 48, 0);
    std::fill(others.begin() + 139, others.begin() + 191, 0);
    EXPECT_EQ(others, EMasterBytes{});

    // A name that fits the short field leaves the long one empty.
    const EMasterRecord shortName =
        NewEMasterRecord(1, "ABCDEFGHIJKLMNOP", "Oracle", Fields({0, 4}));
    EXPECT_EQ(shortName.LongNameText(), "");
    EXPECT_EQ(shortName.NameText(), "Oracle");
    EXPECT_EQ(shortName.SymbolText(), "ABCDEFGHIJKLMN");  // 14 characters at most

    EMasterRecord dated = r;
    dated.SetDates(1040315.0F, 1051230.0F);
    const EMasterBytes d = dated.Pack();
    EXPECT_EQ(Hex({d.begin() + 64, d.begin() + 68}), Hex({0xb0, 0xfb, 0x7d, 0x49}));
    EXPECT_EQ(dated.LastDate(), 1051230.0F);
    EXPECT_EQ(dated.firstDateNumber, 20040315U);
}

TEST(NewIndexRecords, XMasterEntryOfANewSecurity) {
    const std::string name(45, 'N');
    const XMasterRecord r = NewXMasterRecord(300, "LONGSYMBOL1234", name, Fields({0, 2, 3, 4}));
    const XMasterBytes b = r.Pack();
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 15), "LONGSYMBOL1234");
    EXPECT_EQ(b[15], 0);
    EXPECT_EQ(std::string(b.begin() + 16, b.begin() + 61), name);
    EXPECT_EQ(b[61], 0);
    EXPECT_EQ(b[62], 'D');
    EXPECT_EQ(GetU16(b.data() + 65), 300);
    EXPECT_EQ(b[70], 15);
    EXPECT_EQ(GetU32(b.data() + 104), 19000101U);
    EXPECT_EQ(GetU32(b.data() + 108), 0U);
    EXPECT_EQ(std::count(b.begin() + 71, b.begin() + 104, 0), 104 - 71);
    EXPECT_EQ(std::count(b.begin() + 112, b.end(), 0), 150 - 112);
}

TEST(IndexEdits, EMasterEntriesGoAfterTheCountedOnesAndKeepEveryOldByte) {
    const std::string old = Content(Metastock("equis_b/EMASTER"));
    const EMasterRecord added = NewEMasterRecord(3, "NEW", "New security", Fields({0, 4}));
    const auto result = InsertEMasterEntries(old, {added}, 3);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), old.size() + kEMasterRecordSize);
    EXPECT_EQ(static_cast<std::uint8_t>((*result)[0]), 3);
    EXPECT_EQ(static_cast<std::uint8_t>((*result)[2]), 3);
    // Header bytes other than the count and the number, and every old entry.
    EXPECT_EQ(result->substr(3, old.size() - 3), old.substr(3));
    EXPECT_EQ((*result)[1], old[1]);
    const auto tail = added.Pack();
    EXPECT_EQ(result->substr(old.size()), std::string(tail.begin(), tail.end()));

    // A record past the header's count (left by a deletion) stays past it.
    std::string stale = old;
    stale[0] = 1;
    const auto moved = InsertEMasterEntries(stale, {added}, 9);
    ASSERT_TRUE(moved);
    EXPECT_EQ(static_cast<std::uint8_t>((*moved)[0]), 2);
    EXPECT_EQ(moved->substr(2 * kEMasterRecordSize, kEMasterRecordSize),
              std::string(tail.begin(), tail.end()));
    EXPECT_EQ(moved->substr(3 * kEMasterRecordSize), old.substr(2 * kEMasterRecordSize));

    // The count is one byte.
    std::string full = NewEMasterContent();
    full[0] = static_cast<char>(255);
    full.append(255 * kEMasterRecordSize, '\0');
    EXPECT_FALSE(InsertEMasterEntries(full, {added}, 255));
    EXPECT_FALSE(InsertEMasterEntries("short", {added}, 1));
}

TEST(IndexEdits, EMasterDatesChangeOnlyTheirBytes) {
    const std::string old = Content(Metastock("equis_b/EMASTER"));
    std::string content = old;
    ASSERT_TRUE(SetEMasterDates(content, 2, 1040315.0F, 1051230.0F));
    for (std::size_t i = 0; i < old.size(); ++i) {
        const std::size_t offset = i % kEMasterRecordSize;
        const bool dateByte = i / kEMasterRecordSize == 2 &&
                              ((offset >= 64 && offset < 68) || (offset >= 72 && offset < 76) ||
                               (offset >= 126 && offset < 130));
        if (!dateByte) {
            EXPECT_EQ(content[i], old[i]) << "byte " << i;
        }
    }
    EMasterFile file;
    ASSERT_TRUE(ParseEMaster(content, file));
    EXPECT_EQ(file.records[1].FirstDate(), 1040315.0F);
    EXPECT_EQ(file.records[1].LastDate(), 1051230.0F);
    EXPECT_EQ(file.records[1].firstDateNumber, 20040315U);
    EXPECT_FALSE(SetEMasterDates(content, 9, 1.0F, 2.0F));
}

TEST(IndexEdits, XMasterEntryKeepsEveryOldByte) {
    const std::string old = Content(Metastock("equis_b/XMASTER"));
    const XMasterRecord added = NewXMasterRecord(257, "NEW", "New", Fields({0, 4}));
    const auto result = InsertXMasterEntry(old, added);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), old.size() + kXMasterRecordSize);
    XMasterFile file;
    ASSERT_TRUE(ParseXMaster(*result, file));
    EXPECT_EQ(file.header.entryCount, 3);
    EXPECT_EQ(file.header.entryCount2, 3);
    EXPECT_EQ(file.header.nextFileNumber, 2854);  // already above 257
    // Only the two counts changed in the header; the entries are as they were.
    std::string header = result->substr(0, kXMasterRecordSize);
    header[10] = old[10];
    header[14] = old[14];
    EXPECT_EQ(header, old.substr(0, kXMasterRecordSize));
    EXPECT_EQ(result->substr(kXMasterRecordSize, old.size() - kXMasterRecordSize),
              old.substr(kXMasterRecordSize));

    // The next number always stays above the numbers in use.
    const auto higher = InsertXMasterEntry(old, NewXMasterRecord(3000, "HI", "", Fields({0, 4})));
    ASSERT_TRUE(higher && ParseXMaster(*higher, file));
    EXPECT_EQ(file.header.nextFileNumber, 3001);

    std::string content = *result;
    ASSERT_TRUE(SetXMasterDates(content, 257, 20040315U, 20051230U));
    ASSERT_TRUE(ParseXMaster(content, file));
    EXPECT_EQ(file.records[2].firstDate, 20040315U);
    EXPECT_EQ(file.records[2].lastDate, 20051230U);
    EXPECT_EQ(file.records[2].unknown104, kXMasterDefault104);
    EXPECT_EQ(content.substr(0, old.size()), result->substr(0, old.size()));

    // No magic, no XMASTER.
    std::string other = old;
    other[0] = 0;
    EXPECT_FALSE(InsertXMasterEntry(other, added));
    XMasterFile fresh;
    ASSERT_TRUE(ParseXMaster(NewXMasterContent(), fresh));
    EXPECT_TRUE(fresh.header.HasMagic());
    EXPECT_EQ(fresh.header.entryCount, 0);
    EXPECT_EQ(fresh.header.nextFileNumber, 256);
}

TEST(DatabaseIndex, VendorDirectoriesAsReadersSeeThem) {
    DatabaseIndex index;
    ASSERT_TRUE(ReadDatabaseIndex(Metastock("equis_b"), index));
    EXPECT_TRUE(index.emasterInStep);
    ASSERT_EQ(index.entries.size(), 4U);
    EXPECT_EQ(index.entries[0].name, "1/100 Dow Jones INDU");
    EXPECT_EQ(index.entries[0].fieldBits, 127);
    EXPECT_EQ(index.entries[0].PriceFileName(), "F1.DAT");
    EXPECT_EQ(index.entries[1].name, "CAC 40 INDICE");
    EXPECT_EQ(index.entries[3].source, IndexSource::kXMaster);
    EXPECT_EQ(index.entries[3].symbol, ".N225");
    EXPECT_EQ(index.entries[3].PriceFileName(), "F2853.MWD");
    EXPECT_EQ(index.entries[3].fieldCount, 7);
    EXPECT_EQ(index.entries[3].firstDate, 820104.0F);
    EXPECT_TRUE(FindFileNoCase(index.directory, index.entries[3].PriceFileName()));

    // Lower-case files; an EMASTER out of step gives MASTER's names.
    ASSERT_TRUE(ReadDatabaseIndex(Metastock("futures_2yr_note"), index));
    EXPECT_FALSE(index.emasterInStep);
    ASSERT_EQ(index.entries.size(), 128U + 294U);
    EXPECT_EQ(index.entries[0].name, "2-Year Note C 19");
    EXPECT_EQ(index.entries[0].fieldBits, 0);
    EXPECT_EQ(index.entries[128].name, "Heating Oil C 200008");
    const auto f548 = std::find_if(index.entries.begin(), index.entries.end(),
                                   [](const IndexEntry& e) { return e.fileNumber == 548; });
    ASSERT_NE(f548, index.entries.end());
    EXPECT_EQ(f548->PriceFileName(), "F548.MWD");
    const auto found = FindFileNoCase(index.directory, f548->PriceFileName());
    ASSERT_TRUE(found);
    EXPECT_EQ(fs::path(*found).filename(), "F548.mwd");

    EXPECT_FALSE(ReadDatabaseIndex(RealData("no-such-directory"), index));
}

// An index file that is there but cannot be read is named, never taken as
// an empty one: the securities it lists would vanish without a word.
TEST(DatabaseIndex, UnreadableIndexFilesAreNamedToReaders) {
    TempDir temp;
    const std::string db = temp.Path();
    for (const auto& e : fs::directory_iterator(Metastock("equis_b"))) {
        fs::copy_file(e.path(), JoinPath(db, e.path().filename().string()));
    }
    const std::string emaster = JoinPath(db, "EMASTER");
    const std::string xmaster = JoinPath(db, "XMASTER");
    auto failOpening = [](const std::string& file) {
        return [file](FileOp op, const std::string& path) {
            return op == FileOp::Open && path == file;
        };
    };
    std::vector<SecurityEntry> entries;
    std::vector<UnreadIndexFile> unread(1);
    ASSERT_TRUE(ListSecurities(db, entries, &unread));
    EXPECT_EQ(entries.size(), 4U);
    EXPECT_TRUE(unread.empty());
    {
        FaultHookScope faults(failOpening(xmaster));
        ASSERT_TRUE(ListSecurities(db, entries, &unread));
        EXPECT_EQ(entries.size(), 2U) << "MASTER's securities are still listed";
        ASSERT_EQ(unread.size(), 1U);
        EXPECT_EQ(unread[0].kind, UnreadIndexFile::Kind::kXMaster);
        EXPECT_EQ(unread[0].why, UnreadIndexFile::Why::kCannotRead);
        EXPECT_EQ(unread[0].Text(), "Cannot read the XMASTER file " + xmaster);

        // Looking a security up: MASTER's is found, XMASTER's cannot be
        // told from one that is not there, so the file is named.
        SecurityRecords records;
        EXPECT_EQ(ReadSecurity(db, ".FCHI", records), ReadResult::kOk);
        EXPECT_EQ(ReadSecurity(db, ".N225", records), ReadResult::kCannotReadIndex);
        EXPECT_EQ(records.unread.path, xmaster);
        EXPECT_EQ(ReadSecurityEnds(db, "NOSUCH", records), ReadResult::kCannotReadIndex);
    }
    {
        FaultHookScope faults(failOpening(emaster));
        ASSERT_TRUE(ListSecurities(db, entries, &unread));
        ASSERT_EQ(entries.size(), 4U);
        EXPECT_EQ(entries[0].name, "1/100 Dow Jones") << "MASTER's name";
        ASSERT_EQ(unread.size(), 1U);
        EXPECT_EQ(unread[0].kind, UnreadIndexFile::Kind::kEMaster);
        EXPECT_EQ(unread[0].Text(), "Cannot read the EMASTER file " + emaster);
        SecurityRecords records;
        EXPECT_EQ(ReadSecurity(db, "NOSUCH", records), ReadResult::kNotFound)
            << "EMASTER lists no security of its own";
    }

    // An XMASTER without its mark is left out and named; one too short for
    // a header lists nothing, so nothing is missing.
    const std::string good = Content(xmaster);
    std::string unmarked = good;
    unmarked[0] = 0;
    WriteText(xmaster, unmarked);
    ASSERT_TRUE(ListSecurities(db, entries, &unread));
    EXPECT_EQ(entries.size(), 2U);
    ASSERT_EQ(unread.size(), 1U);
    EXPECT_EQ(unread[0].why, UnreadIndexFile::Why::kNoMark);
    EXPECT_EQ(unread[0].Text(),
              "The XMASTER file " + xmaster + " does not begin with the XMASTER mark");
    WriteText(xmaster, good.substr(0, 20));
    ASSERT_TRUE(ListSecurities(db, entries, &unread));
    EXPECT_EQ(entries.size(), 2U);
    EXPECT_TRUE(unread.empty());
}

TEST(DatabaseIndex, InStepNeedsTheSameCountAndNumbers) {
    MasterFile master;
    master.header.entryCount = 2;
    master.records.resize(2);
    master.records[0].fileNumber = 1;
    master.records[1].fileNumber = 4;
    EMasterFile emaster;
    emaster.header.entryCount = 2;
    emaster.records.resize(2);
    emaster.records[0].fileNumber = 1;
    emaster.records[1].fileNumber = 4;
    EXPECT_TRUE(EMasterInStep(master, emaster));
    emaster.records[1].fileNumber = 3;
    EXPECT_FALSE(EMasterInStep(master, emaster));
    emaster.records[1].fileNumber = 4;
    emaster.header.entryCount = 1;
    EXPECT_FALSE(EMasterInStep(master, emaster));
    emaster.header.entryCount = 2;
    emaster.records.pop_back();  // the file is shorter than its count
    EXPECT_FALSE(EMasterInStep(master, emaster));
}

}  // namespace
}  // namespace torvan::test
