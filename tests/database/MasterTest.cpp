// SPDX-License-Identifier: GPL-3.0-or-later
// MASTER records, the search for a security through a database tree, and the
// data and description files of a security.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <random>

#include "TestSupport.h"
#include "database/DataFile.h"
#include "database/Master.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

MasterRecord Entry(int fileNumber, const std::string& symbol, const std::string& name) {
    MasterRecord r;
    r.fileNumber = static_cast<std::uint8_t>(fileNumber);
    r.fileType = {0x65, 0x00};
    r.recordLength = 28;
    r.fieldCount = 7;
    r.name = PadField(name);
    r.period = 'D';
    r.symbol = PadField(symbol);
    return r;
}

MasterRecord WithName(const std::string& name16) {
    MasterRecord r;
    std::memcpy(r.name.data(), name16.data(), r.name.size());
    return r;
}

// A subdirectory entry. Its symbol field repeats the name, so that a search
// comparing subdirectory entries like securities would show it.
MasterRecord DirEntry(const std::string& dir) {
    MasterRecord r = WithName((dir + std::string(11, ' ')).substr(0, 11) + "<DIR>");
    r.symbol = PadField(dir);
    return r;
}

// Writes a MASTER holding records; count, when given, is the header's entryCount.
void WriteMaster(const std::string& dir, const std::vector<MasterRecord>& records, int count = -1,
                 const std::string& fileName = "MASTER") {
    MasterHeader header;
    header.entryCount = static_cast<std::uint16_t>(count < 0 ? records.size() : count);
    header.fileCounter = header.entryCount;
    const MasterBytes h = header.Pack();
    std::vector<std::uint8_t> bytes(h.begin(), h.end());
    for (const MasterRecord& r : records) {
        const MasterBytes b = r.Pack();
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    fs::create_directories(dir);
    WriteBytes(JoinPath(dir, fileName), bytes);
}

// File number of the entry FindSecurity finds, or -1 when it reports none.
int Find(const std::string& dir, const std::string& text) {
    MasterRecord found;
    const std::int16_t status = FindSecurity(dir, text, found);
    if (status == kFound) {
        return found.fileNumber;
    }
    EXPECT_EQ(status, kNotFound) << text;
    return -1;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string Metastock(const std::string& dir) {
    return RealData("metastock/" + dir);
}

TEST(MasterRecord, FieldsSitAtTheirOffsets) {
    MasterBytes bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    const MasterRecord r = MasterRecord::Unpack(bytes.data());
    const MasterHeader h = MasterHeader::Unpack(bytes.data());
    // Each field's first byte, and the last byte of the text fields, against its offset.
    const std::pair<int, int> fields[] = {
        {r.fileNumber, 0},       {r.fileType[0], 1},  {r.recordLength, 3}, {r.fieldCount, 4},
        {r.reserved1[0], 5},     {r.name[0], 7},      {r.name[15], 22},    {r.reserved2[0], 23},
        {r.firstDate[0], 25},    {r.lastDate[0], 29}, {r.period, 33},      {r.reserved3[0], 34},
        {r.symbol[0], 36},       {r.symbol[15], 51},  {r.reserved4, 52},   {h.entryCount, 0x0100},
        {h.fileCounter, 0x0302}, {h.filler[0], 4},    {h.filler[48], 52}};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        EXPECT_EQ(fields[i].first, fields[i].second) << "field " << i;
    }
}

TEST(MasterRecord, PackAndUnpackKeepEveryByte) {
    std::mt19937 random(20240315);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 500; ++i) {
        MasterBytes bytes;
        std::generate(bytes.begin(), bytes.end(),
                      [&] { return static_cast<std::uint8_t>(byte(random)); });
        EXPECT_EQ(MasterRecord::Unpack(bytes.data()).Pack(), bytes);
        EXPECT_EQ(MasterHeader::Unpack(bytes.data()).Pack(), bytes);
    }
}

TEST(MasterRecord, SubdirectoryEntries) {
    EXPECT_TRUE(WithName("SUB        <DIR>").IsSubdirectory());
    EXPECT_EQ(WithName("SUB        <DIR>").SubdirectoryName(), "SUB");
    EXPECT_TRUE(WithName("ABCDEFGHIJ <DIR>").IsSubdirectory());
    EXPECT_EQ(WithName("ABCDEFGHIJ <DIR>").SubdirectoryName(), "ABCDEFGH");
    EXPECT_FALSE(WithName(" SUB       <DIR>").IsSubdirectory());
    EXPECT_FALSE(WithName("SUB       <DIR> ").IsSubdirectory());
    EXPECT_FALSE(Entry(1, "IBM", "IBM").IsSubdirectory());
}

TEST(MasterRecord, TextFields) {
    auto pad = [](const std::string& text) {
        const auto field = PadField(text);
        return std::string(field.begin(), field.end());
    };
    EXPECT_EQ(pad("IBM"), "IBM             ");
    EXPECT_EQ(pad(""), std::string(16, ' '));
    EXPECT_EQ(pad("ABCDEFGHIJKLMNOPQR"), "ABCDEFGHIJKLMNOP");

    MasterRecord r = Entry(1, "AB C", "Ibm Corp");
    EXPECT_EQ(r.NameText(), "Ibm Corp");
    EXPECT_EQ(r.SymbolText(), "AB C");
    r.symbol = {'T', 'U', '2', 0, ' ', 'X'};  // other programs end the text with a NUL
    EXPECT_EQ(r.SymbolText(), "TU2");
}

struct RealMaster {
    const char* dir;
    int entries;
    int fieldCount;
    const char* firstSymbol;
    const char* firstName;
    const char* lastSymbol;
    const char* lastName;
};

std::ostream& operator<<(std::ostream& os, const RealMaster& m) {
    return os << m.dir;
}

class MasterRealData : public ::testing::TestWithParam<RealMaster> {};

TEST_P(MasterRealData, ReadsEveryEntryAndPacksItBackUnchanged) {
    const RealMaster& p = GetParam();
    const std::string dir = Metastock(p.dir);
    MasterFile master;
    ASSERT_TRUE(ReadMaster(dir, master));
    ASSERT_EQ(master.header.entryCount, p.entries);
    ASSERT_EQ(master.records.size(), static_cast<std::size_t>(p.entries));
    EXPECT_EQ(master.records.front().SymbolText(), p.firstSymbol);
    EXPECT_EQ(master.records.front().NameText(), p.firstName);
    EXPECT_EQ(master.records.back().SymbolText(), p.lastSymbol);
    EXPECT_EQ(master.records.back().NameText(), p.lastName);

    const MasterBytes h = master.header.Pack();
    std::vector<std::uint8_t> packed(h.begin(), h.end());
    for (const MasterRecord& r : master.records) {
        EXPECT_EQ(r.fieldCount, p.fieldCount);
        EXPECT_EQ(r.recordLength, 4 * p.fieldCount);
        const MasterBytes b = r.Pack();
        packed.insert(packed.end(), b.begin(), b.end());
    }
    EXPECT_EQ(packed, ReadBytes(*FindFileNoCase(dir, "MASTER")));
}

TEST_P(MasterRealData, FindSecurityBySymbolOrName) {
    const RealMaster& p = GetParam();
    const std::string dir = Metastock(p.dir);
    EXPECT_EQ(Find(dir, Lower(p.firstSymbol)), 1);
    EXPECT_EQ(Find(dir, Lower(p.firstName)), 1);
    EXPECT_EQ(Find(dir, p.lastSymbol), p.entries);
    EXPECT_EQ(Find(dir, "NOSUCHSYMBOL"), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Master, MasterRealData,
    ::testing::Values(
        RealMaster{"equis_b", 2, 7, ".DJX", "1/100 Dow Jones", ".FCHI", "CAC 40 INDICE"},
        RealMaster{"stooq_intraday", 1, 7, "2HR.DE", "H&R", "2HR.DE", "H&R"},
        RealMaster{"bist_full_master", 255, 6, "AAIS", "ABN AMRO", "DENIZ", "DENIZBANK A.S."},
        // A lower-case "master", symbols ended by NULs.
        RealMaster{"futures_2yr_note", 128, 7, "TU2__1990U", "2-Year Note C 19", "TU2__2022M",
                   "2-Year Note C 20"}));

TEST(MasterRead, MissingShortAndOverlongFiles) {
    TempDir tmp;
    MasterFile master;
    EXPECT_FALSE(ReadMaster(tmp.Path(), master));
    WriteBytes(tmp.File("MASTER"), std::vector<std::uint8_t>(52, 0));
    EXPECT_FALSE(ReadMaster(tmp.Path(), master));

    WriteMaster(tmp.Path(), {Entry(1, "A", "A")}, 3);  // header promises more than there is
    ASSERT_TRUE(ReadMaster(tmp.Path(), master));
    EXPECT_EQ(master.records.size(), 1U);
    WriteMaster(tmp.Path(), {Entry(1, "A", "A"), Entry(2, "B", "B")}, 1);
    ASSERT_TRUE(ReadMaster(tmp.Path(), master));
    EXPECT_EQ(master.records.size(), 1U);
}

TEST(FindSecurity, ComparesSymbolsAndNamesIgnoringCase) {
    TempDir tmp;
    WriteMaster(
        tmp.Path(),
        {DirEntry("HIDE"), Entry(1, "IBM", "International Bu"), Entry(2, "ORCL", "Oracle Corp"),
         Entry(3, "AB C DEF", "Alpha"), Entry(4, "ABCDEFGHIJKLMNOP", "Sixteen"),
         Entry(5, "AB CD", "Beta"), Entry(6, "LATE", "Late")},
        6);  // the last record lies beyond entryCount
    // Symbols are compared up to the blank after as many blanks as the sought
    // text holds, a 16-byte symbol whole; subdirectory entries are not
    // securities, and entries past entryCount do not exist.
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"ibm", 1}, {"IBM", 1}, {"international bu", 1}, {"ORACLE CORP", 2}, {"Oracle", -1},
        {"IB", -1}, {"ab c", 3}, {"AB C DEF", 3}, {"AB", 3}, {"AB CD", 5}, {"AB C D", -1},
        {"abcdefghijklmnop", 4}, {"ABCDEFGHIJKLMNO", -1}, {"ABCDEFGHIJKLMNOPQ", -1},
        {"HIDE", -1}, {"LATE", -1}};
    // clang-format on
    for (const auto& [text, fileNumber] : cases) {
        EXPECT_EQ(Find(tmp.Path(), text), fileNumber) << text;
    }
    EXPECT_EQ(Find(tmp.Path() + "/", "ibm"), 1);
}

TEST(FindSecurity, MissingOrDamagedMaster) {
    TempDir tmp;
    EXPECT_EQ(Find(tmp.Path(), "IBM"), -1);
    EXPECT_EQ(Find(tmp.File("absent"), "IBM"), -1);
    WriteBytes(tmp.File("MASTER"), std::vector<std::uint8_t>(20, 1));
    EXPECT_EQ(Find(tmp.Path(), "IBM"), -1);
    // Entries read before the file ends are still compared.
    WriteMaster(tmp.Path(), {Entry(1, "A", "A"), Entry(2, "IBM", "B")}, 5);
    EXPECT_EQ(Find(tmp.Path(), "IBM"), 2);
    EXPECT_EQ(Find(tmp.Path(), "MSFT"), -1);
    // A level that breaks off is given up, subdirectories included.
    WriteMaster(tmp.Path(), {DirEntry("SUB"), Entry(2, "IBM", "B")}, 5);
    WriteMaster(tmp.File("SUB"), {Entry(3, "INSUB", "")});
    EXPECT_EQ(Find(tmp.Path(), "INSUB"), -1);
}

TEST(FindSecurity, SearchesSubdirectoriesDepthFirstInFileOrder) {
    TempDir tmp;
    const std::string top = tmp.Path();
    WriteMaster(top, {DirEntry("S1"), DirEntry("NOMASTER"), DirEntry("s2"), Entry(1, "DUP", "")});
    // Names differ in case from the entries, and one MASTER is spelt in lower case.
    WriteMaster(JoinPath(top, "s1"), {DirEntry("T"), Entry(10, "DUP", ""), Entry(11, "ONLYS1", "")},
                -1, "master");
    WriteMaster(JoinPath(JoinPath(top, "s1"), "T"), {Entry(20, "Y", ""), Entry(21, "INNER", "")});
    fs::create_directory(JoinPath(top, "NOMASTER"));
    WriteMaster(JoinPath(top, "S2"), {Entry(30, "Y", ""), Entry(31, "X", "")});

    EXPECT_EQ(Find(top, "DUP"), 1);  // a level's own entries come before its subdirectories
    EXPECT_EQ(Find(top, "ONLYS1"), 11);
    EXPECT_EQ(Find(top, "inner"), 21);
    EXPECT_EQ(Find(top, "Y"), 20);  // S1 is searched completely before S2
    EXPECT_EQ(Find(top, "X"), 31);
    EXPECT_EQ(Find(top, "NONE"), -1);
}

TEST(FindSecurityHostile, DotEntriesAndLinksBackTerminate) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine has no symbolic links (Windows gives them to administrators only)";
#else
    TempDir tmp;
    const std::string top = JoinPath(tmp.Path(), "TOP");
    const std::string sub = JoinPath(top, "SUB");
    WriteMaster(tmp.Path(), {DirEntry("TOP")});
    WriteMaster(top, {DirEntry("."), DirEntry(".."), DirEntry("LOOP"), DirEntry("SUB")});
    fs::create_directory_symlink(".", JoinPath(top, "LOOP"));
    WriteMaster(sub, {DirEntry(".."), DirEntry("UP"), DirEntry("SELF"), DirEntry("SUB"),
                      Entry(7, "DEEP", "Deep")});
    fs::create_directory_symlink("..", JoinPath(sub, "UP"));
    fs::create_directory_symlink(".", JoinPath(sub, "SELF"));
    fs::create_directory_symlink("../..", JoinPath(sub, "SUB"));

    EXPECT_EQ(Find(top, "DEEP"), 7);
    EXPECT_EQ(Find(top, "NOPE"), -1);
    EXPECT_EQ(Find(tmp.Path(), "NOPE"), -1);
#endif
}

TEST(FindSecurityHostile, FullMastersOfLinksAtEveryLevel) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine has no symbolic links (Windows gives them to administrators only)";
#else
    // Every MASTER holds 255 subdirectory entries; all but the last lead back
    // to a directory already being searched.
    TempDir tmp;
    const std::string top = tmp.Path();
    const std::string mid = JoinPath(top, "L254");
    std::vector<MasterRecord> topEntries;
    std::vector<MasterRecord> midEntries;
    for (int i = 0; i < kMaxSecurities; ++i) {
        topEntries.push_back(DirEntry("L" + std::to_string(i)));
        midEntries.push_back(DirEntry("M" + std::to_string(i)));
    }
    WriteMaster(top, topEntries);
    WriteMaster(mid, midEntries);
    WriteMaster(JoinPath(mid, "M254"), {Entry(9, "GOAL", "Goal")});
    for (int i = 0; i < kMaxSecurities - 1; ++i) {
        fs::create_directory_symlink(".", JoinPath(top, "L" + std::to_string(i)));
        fs::create_directory_symlink("..", JoinPath(mid, "M" + std::to_string(i)));
    }
    EXPECT_EQ(Find(top, "GOAL"), 9);
    EXPECT_EQ(Find(top, "NOPE"), -1);
#endif
}

TEST(FindSecurityHostile, NestingBeyondThePathLimitIsNotFollowed) {
    TempDir tmp;
    ASSERT_LT(tmp.Path().size(), 200U) << "temporary folder path too long for this test";
    std::vector<std::string> levels = {tmp.Path()};
    while (levels.back().size() < kMaxDirectoryPath + 100) {
        levels.push_back(JoinPath(levels.back(), "NEST" + std::to_string(1000 + levels.size())));
    }
    for (std::size_t i = 0; i < levels.size(); ++i) {
        std::vector<MasterRecord> entries = {
            Entry(static_cast<int>(i + 1), "SYM" + std::to_string(i), "x")};
        if (i + 1 < levels.size()) {
            entries.insert(entries.begin(), DirEntry(fs::path(levels[i + 1]).filename().string()));
        }
        WriteMaster(levels[i], entries);
    }
    for (std::size_t i = 0; i < levels.size(); ++i) {
        SCOPED_TRACE(levels[i]);
        if (levels[i].size() + 20 < kMaxDirectoryPath) {
            EXPECT_EQ(Find(tmp.Path(), "SYM" + std::to_string(i)), static_cast<int>(i + 1));
        } else if (levels[i].size() > kMaxDirectoryPath + 20) {
            EXPECT_EQ(Find(tmp.Path(), "SYM" + std::to_string(i)), -1);
        }
    }
}

std::vector<std::uint8_t> Groups(std::initializer_list<std::vector<std::uint8_t>> groups) {
    std::vector<std::uint8_t> out;
    for (const auto& g : groups) {
        out.insert(out.end(), g.begin(), g.end());
    }
    return out;
}

const std::vector<std::uint8_t> kGroup = {0x00, 0x00, 0x01, 0x00};
const FieldFlags kAllFields = {1, 1, 1, 1, 1, 1, 1};
const FieldFlags kDateCloseVolume = {1, 0, 0, 0, 1, 1, 0};

TEST(DataFile, HeaderAndDescriptionBytes) {
    const auto g = kGroup;
    EXPECT_EQ(Hex(PackDataHeader(7, 1)), Hex(Groups({g, g, g, g, g, g, g})));
    EXPECT_EQ(Hex(PackDataHeader(3, 1)), Hex(Groups({kGroup, kGroup, kGroup})));
    EXPECT_EQ(Hex(PackDataHeader(2, 0x1234)), "00 00 34 12 00 00 01 00");

    EXPECT_EQ(DescriptionText(kAllFields),
              "\"DATE\",0,0\r\n\"OPEN\",4,4\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n"
              "\"CLOSE\",4,4\r\n\"VOL\",4,4\r\n\"OI\",4,4\r\n");
    EXPECT_EQ(DescriptionText(kDateCloseVolume),
              "\"DATE\",0,0\r\n\"CLOSE\",4,4\r\n\"VOL\",4,4\r\n");
    EXPECT_EQ(DescriptionText({1, 0, 0, 0, 1, 0, 0}), "\"DATE\",0,0\r\n\"CLOSE\",4,4\r\n");
}

TEST(DataFile, WriteSecurityFilesReplacesOlderFiles) {
    TempDir tmp;
    WriteBytes(tmp.File("F12.DAT"), std::vector<std::uint8_t>(100, 0xAA));
    WriteText(tmp.File("F12.DOP"), std::string(200, 'x'));
    EXPECT_EQ(WriteSecurityFiles(tmp.File("F12.DAT"), tmp.File("F12.DOP"), kDateCloseVolume, 3),
              "");
    EXPECT_EQ(Hex(ReadBytes(tmp.File("F12.DAT"))), Hex(Groups({kGroup, kGroup, kGroup})));
    EXPECT_EQ(ReadText(tmp.File("F12.DOP")), DescriptionText(kDateCloseVolume));

    EXPECT_EQ(WriteSecurityFiles(tmp.File("F255.DAT"), tmp.File("F255.DOP"), kAllFields, 7), "");
    DataFileContents contents;
    ASSERT_TRUE(ReadDataFile(tmp.File("F255.DAT"), 7, contents));
    EXPECT_EQ(contents.recordCount, 1);
    EXPECT_TRUE(contents.records.empty());
}

TEST(DataFile, WriteSecurityFilesNamesThePathItCouldNotWrite) {
    TempDir tmp;
    const std::string missing = tmp.File("missing/F5.DAT");
    EXPECT_EQ(WriteSecurityFiles(missing, tmp.File("missing/F5.DOP"), kAllFields, 7), missing);

    FaultHookScope faults([](FileOp op, const std::string& path) {
        return op == FileOp::Open && path.ends_with(".DOP");
    });
    const std::string result =
        WriteSecurityFiles(tmp.File("F5.DAT"), tmp.File("F5.DOP"), kAllFields, 7);
    faults.Remove();
    EXPECT_EQ(result, tmp.File("F5.DOP"));
    EXPECT_FALSE(FileExists(tmp.File("F5.DAT")));  // no half-made security is left
}

TEST(DataFile, ReadDataFileRejectsWhatItCannotRead) {
    TempDir tmp;
    DataFileContents contents;
    EXPECT_FALSE(ReadDataFile(tmp.File("F1.DAT"), 7, contents));
    WriteBytes(tmp.File("F1.DAT"), Groups({kGroup, kGroup}));
    EXPECT_FALSE(ReadDataFile(tmp.File("F1.DAT"), 0, contents));
    EXPECT_FALSE(ReadDataFile(tmp.File("F1.DAT"), 3, contents));  // shorter than its header

    // A read error after the header is not taken for the end of the file.
    WriteBytes(tmp.File("F1.DAT"), Groups({kGroup, kGroup, kGroup, kGroup}));
    int reads = 0;
    FaultHookScope faults(
        [&reads](FileOp op, const std::string&) { return op == FileOp::Read && ++reads == 2; });
    const bool ok = ReadDataFile(tmp.File("F1.DAT"), 2, contents);
    faults.Remove();
    EXPECT_FALSE(ok);
}

// From a symbol to its data file, whose first and last dates are those of its
// MASTER entry; two of the files were cut down to their first records.
TEST(DataFileReal, DatesAgreeWithTheMasterEntry) {
    const struct {
        const char* dir;
        const char* symbol;
        int fileNumber;
        std::size_t records;
        float firstDate;
        bool complete;
    } cases[] = {{"equis_b", ".djx", 1, 1, 970923.0F, false},
                 {"stooq_intraday", "2hr.de", 1, 2, 1131115.0F, false},
                 {"futures_2yr_note", "tu2__1990u", 1, 62, 900622.0F, true},
                 {"bist_full_master", "CHFJPY", 224, 4928, 990318.0F, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dir);
        const std::string dir = Metastock(c.dir);
        MasterRecord entry;
        ASSERT_EQ(FindSecurity(dir, c.symbol, entry), kFound);
        ASSERT_EQ(entry.fileNumber, c.fileNumber);
        const auto dataPath = FindFileNoCase(dir, "F" + std::to_string(entry.fileNumber) + ".DAT");
        ASSERT_TRUE(dataPath);
        DataFileContents contents;
        ASSERT_TRUE(ReadDataFile(*dataPath, entry.fieldCount, contents));
        ASSERT_EQ(contents.records.size(), c.records);
        EXPECT_EQ(contents.recordCount, c.records + 1);
        EXPECT_EQ(MbfToFloat(contents.records.front()[0]), c.firstDate);
        EXPECT_EQ(contents.records.front()[0], entry.firstDate);
        if (c.complete) {
            EXPECT_EQ(contents.records.back()[0], entry.lastDate);
        }
    }
}

}  // namespace
}  // namespace torvan::test
