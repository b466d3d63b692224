// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion job's checks and the entry of a new security into MASTER.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "JobFixture.h"
#include "database/DataFile.h"
#include "platform/Text.h"

namespace torvan::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDuplicate =
    "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already "
    "exists.\n\nChoose a different symbol or\nrename/delete the existing symbol";
// The refusal of a full MASTER, with a hint at XMASTER.
constexpr const char* kFull =
    "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or "
    "new portfolio.\n\nAn XMASTER index beside MASTER holds more securities; torvan-cli convert "
    "--xmaster makes one.";

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

std::vector<std::uint8_t> HeaderBytes(int entries, int counter) {
    MasterHeader h;
    h.entryCount = static_cast<std::uint16_t>(entries);
    h.fileCounter = static_cast<std::uint16_t>(counter);
    auto b = h.Pack();
    return {b.begin(), b.end()};
}

std::vector<std::uint8_t> EntryBytes(int fileNumber, const std::string& symbol,
                                     const std::string& name) {
    MasterRecord r;
    r.fileNumber = static_cast<std::uint8_t>(fileNumber);
    r.fileType = {0x65, 0x00};
    r.recordLength = 28;
    r.fieldCount = 7;
    r.name = PadField(name);
    r.period = 'D';
    r.symbol = PadField(symbol);
    auto b = r.Pack();
    return {b.begin(), b.end()};
}

class RunStages : public JobTest {
  protected:
    // The stages of Run up to and including AddSecurity, and the Commit that
    // puts what AddSecurity made in place.
    // MASTER with IBM and a subdirectory entry SUB, whose own MASTER holds
    // DEEP under file number deepNumber.
    void WriteTreeWithSubdirectory(int deepNumber) {
        fs::create_directory(m_db.File("SUB"));
        WriteBytes(m_db.File("SUB/MASTER"),
                   Concat({HeaderBytes(1, 1), EntryBytes(deepNumber, "DEEP", "Deep")}));
        MasterRecord dir;
        dir.name = PadField("SUB        <DIR>");
        auto dirBytes = dir.Pack();
        WriteMaster(Concat({HeaderBytes(2, 2),
                            EntryBytes(1, "IBM", "Intl Bus Mach"),
                            {dirBytes.begin(), dirBytes.end()}}));
    }

    int AddThroughStages(CConverter& job) {
        int status = job.CheckOutputDirectory();
        if (status == 0)
            status = job.CheckColumnCount();
        if (status == 0)
            status = job.CheckDuplicateSymbol();
        if (status == 0)
            status = job.AddSecurity();
        if (status == 0)
            status = job.Commit();
        return status;
    }
    void WriteMaster(const std::vector<std::uint8_t>& bytes) {
        WriteBytes(m_db.File("MASTER"), bytes);
    }
};

TEST_F(RunStages, NewMasterAndFirstSecurityByteForByte) {
    CConverter job;
    Fill(job, "unused.txt");
    ASSERT_EQ(job.CheckOutputDirectory(), 0);
    ASSERT_EQ(job.CheckColumnCount(), 0);
    EXPECT_EQ(job.m_nFieldCount, 7);
    ASSERT_EQ(job.CheckDuplicateSymbol(), 0);
    ASSERT_EQ(job.AddSecurity(), 0);
    // Nothing is in place before the commit, not even the new MASTER.
    EXPECT_FALSE(FileExists(m_db.File("MASTER")));
    EXPECT_FALSE(FileExists(m_db.File("F1.DAT")));
    ASSERT_EQ(job.Commit(), 0);

    const Bytes4 today = FloatToMbf(1261207.0F);  // 7 December 2026
    std::vector<std::uint8_t> expected = Concat({
        {1, 0, 1, 0},
        std::vector<std::uint8_t>(49, 0),
        {1, 0x65, 0x00, 28, 7, 0, 0},
        Text("Intl Bus Mach   "),
        {0, 0},
        {today.begin(), today.end()},
        {today.begin(), today.end()},
        {'D', 0, 0},
        Text("IBM             "),
        {0},
    });
    EXPECT_EQ(Hex(Master()), Hex(expected));
    EXPECT_EQ(Hex(ReadBytes(m_db.File("F1.DAT"))), Hex(Concat({{0, 0, 1, 0},
                                                               {0, 0, 1, 0},
                                                               {0, 0, 1, 0},
                                                               {0, 0, 1, 0},
                                                               {0, 0, 1, 0},
                                                               {0, 0, 1, 0},
                                                               {0, 0, 1, 0}})));
    EXPECT_EQ(ReadText(m_db.File("F1.DOP")),
              "\"DATE\",0,0\r\n\"OPEN\",4,4\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n"
              "\"CLOSE\",4,4\r\n\"VOL\",4,4\r\n\"OI\",4,4\r\n");
    EXPECT_FALSE(FileExists(m_db.File("MASTER.~NU")));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(RunStages, DateAndCloseOnlyMakeEightByteRecordsAndEmptyNameIsBlanks) {
    CConverter job;
    Fill(job, "unused.txt");
    job.m_bFieldOn = {1, 0, 0, 0, 1, 0, 0};
    job.m_szName = "";
    ASSERT_EQ(AddThroughStages(job), 0);
    EXPECT_EQ(job.m_nFieldCount, 2);
    MasterRecord entry = Entry(1);
    EXPECT_EQ(entry.recordLength, 8);
    EXPECT_EQ(entry.fieldCount, 2);
    EXPECT_EQ(Hex({entry.name.begin(), entry.name.end()}), Hex(Text(std::string(16, ' '))));
    EXPECT_EQ(ReadBytes(m_db.File("F1.DAT")), (std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(ReadText(m_db.File("F1.DOP")), "\"DATE\",0,0\r\n\"CLOSE\",4,4\r\n");
}

TEST_F(RunStages, LowestFreeFileNumberAndCountersGrowByOne) {
    WriteMaster(Concat({HeaderBytes(3, 7), EntryBytes(1, "A", "A"), EntryBytes(2, "B", "B"),
                        EntryBytes(4, "D", "D")}));
    const auto before = Master();
    CConverter job;
    Fill(job, "unused.txt", kMM_DD_YY, /*newMaster=*/false);
    ASSERT_EQ(AddThroughStages(job), 0);
    const auto after = Master();
    ASSERT_EQ(after.size(), 5 * 53U);
    EXPECT_EQ(GetU16(after.data()), 4);
    EXPECT_EQ(GetU16(after.data() + 2), 8);
    // Records already there are copied unchanged, the new one comes last.
    EXPECT_TRUE(std::equal(before.begin() + 53, before.end(), after.begin() + 53));
    EXPECT_EQ(Entry(4).fileNumber, 3);
    EXPECT_TRUE(FileExists(m_db.File("F3.DAT")));
    EXPECT_TRUE(FileExists(m_db.File("F3.DOP")));
}

TEST_F(RunStages, TheTwoHundredFiftyFifthSecurityIsTheLast) {
    std::vector<std::uint8_t> master = HeaderBytes(254, 254);
    for (int n = 1; n <= 254; ++n) {
        auto e = EntryBytes(n, "S" + std::to_string(n), "N" + std::to_string(n));
        master.insert(master.end(), e.begin(), e.end());
    }
    WriteMaster(master);
    CConverter job;
    Fill(job, "unused.txt", kMM_DD_YY, false);
    ASSERT_EQ(AddThroughStages(job), 0);
    EXPECT_EQ(GetU16(Master().data()), 255);
    EXPECT_EQ(Entry(255).fileNumber, 255);

    const auto full = Master();
    CConverter next;
    Fill(next, "unused.txt", kMM_DD_YY, false);
    next.m_szSymbol = "MORE";
    next.m_szName = "More";
    EXPECT_EQ(AddThroughStages(next), 1);
    EXPECT_EQ(m_messages.Texts(),
              std::vector<std::string>{std::string(kFull) + "\n" + m_db.File("MASTER")});
    EXPECT_EQ(Master(), full);
    EXPECT_FALSE(FileExists(m_db.File("MASTER.~NU")));
}

TEST_F(RunStages, FullFileCounterOrNoFreeNumberRefusesAndChangesNothing) {
    // fileCounter at 255 refuses even with free numbers.
    WriteMaster(Concat({HeaderBytes(1, 255), EntryBytes(1, "A", "A")}));
    CConverter job;
    Fill(job, "unused.txt", kMM_DD_YY, false);
    const auto before = Master();
    EXPECT_EQ(AddThroughStages(job), 1);
    EXPECT_EQ(Master(), before);

    // Low counters, but every number from 1 to 255 taken by records beyond
    // them: a count that disagrees with the file.
    std::vector<std::uint8_t> master = HeaderBytes(3, 3);
    for (int n = 1; n <= 255; ++n) {
        auto e = EntryBytes(n, "S" + std::to_string(n), "N");
        master.insert(master.end(), e.begin(), e.end());
    }
    WriteMaster(master);
    CConverter again;
    Fill(again, "unused.txt", kMM_DD_YY, false);
    EXPECT_EQ(AddThroughStages(again), 1);
    EXPECT_EQ(Master(), master);
    EXPECT_FALSE(FileExists(m_db.File("MASTER.~NU")));
    EXPECT_EQ(m_messages.Ids(), (std::vector<std::string>{"PortfolioFull", "IndexCountDisagrees"}));
}

TEST_F(RunStages, DirectoryAndMasterChecksWithTheirMessages) {
    {
        CConverter job;
        Fill(job, "unused.txt");
        job.m_szPathOut = m_db.File("missing");
        EXPECT_EQ(job.Run(), 1);
    }
    {
        CConverter job;
        Fill(job, "unused.txt", kMM_DD_YY, /*newMaster=*/false);
        EXPECT_EQ(job.Run(), 1);
    }
    WriteMaster(HeaderBytes(0, 0));
    {
        CConverter job;
        Fill(job, "unused.txt", kMM_DD_YY, /*newMaster=*/true);
        EXPECT_EQ(job.Run(), 1);
    }
    // Each names the path it is about.
    EXPECT_EQ(m_messages.Texts(),
              (std::vector<std::string>{
                  "Path does not exist:\n" + m_db.File("missing"),
                  "Path specified does not point to a Master file:\n" + m_db.File("MASTER"),
                  "New Master chosen but one already exists:\n" + m_db.File("MASTER")}));
    EXPECT_TRUE(m_profile.writes.empty());
}

TEST_F(RunStages, TooFewColumnsRefusedWithoutLeavingANewMaster) {
    CConverter job;
    Fill(job, "unused.txt");
    job.m_bFieldOn = {1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Messages().size(), 1U);
    EXPECT_EQ(m_messages.Messages()[0].text, "You need to select more columns");
    EXPECT_EQ(m_messages.Messages()[0].type, kMbOk | kMbIconInformation);
    EXPECT_TRUE(std::filesystem::is_empty(m_db.Path()));
}

TEST_F(RunStages, DuplicatesBySymbolOrNameInAnyCaseAnywhereInTheTree) {
    WriteTreeWithSubdirectory(1);
    const auto before = Master();
    for (const std::string symbol : {"ibm", "INTL BUS MACH", "deep"}) {
        CConverter job;
        Fill(job, "unused.txt", kMM_DD_YY, false);
        job.m_szSymbol = symbol;
        job.m_szName = "Other";
        EXPECT_EQ(job.Run(), 1) << symbol;
    }
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>(3, kDuplicate)));
    EXPECT_EQ(Master(), before);

    CConverter fresh;
    Fill(fresh, "unused.txt", kMM_DD_YY, false);
    fresh.m_szSymbol = "IB";
    EXPECT_EQ(fresh.CheckOutputDirectory(), 0);
    EXPECT_EQ(fresh.CheckDuplicateSymbol(), 0);
}

TEST_F(RunStages, UnreadableMasterInASubdirectoryIsNamedAndFoundSecuritiesTellWhere) {
    WriteTreeWithSubdirectory(3);

    MasterRecord found;
    SecurityLocation where;
    ASSERT_EQ(FindSecurity(m_db.Path(), "deep", found, &where), kFound);
    EXPECT_EQ(where.directory, m_db.File("SUB"));
    EXPECT_EQ(found.fileNumber, 3);
    ASSERT_EQ(FindSecurity(m_db.Path(), "IBM", found, &where), kFound);
    EXPECT_EQ(where.directory, m_db.Path());

    // Spelt as the run spells it (a backslash on Windows), for the hook.
    const std::string sub = JoinPath(m_db.File("SUB"), "MASTER");
    FaultHookScope faults(
        [&](FileOp op, const std::string& path) { return op == FileOp::Open && path == sub; });
    const auto before = Master();
    CConverter job;
    Fill(job, "unused.txt", kMM_DD_YY, false);
    job.m_szSymbol = "NEW";
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_EQ(m_messages.Texts()[0],
              "Cannot read the Master file, so the symbol could not be checked:\n" + sub);
    EXPECT_EQ(job.Result().outcome, Outcome::kRefused);
    EXPECT_EQ(Master(), before);
}

TEST_F(RunStages, RootDirectoryIsRecordedSoThatItCanBeUsedAgain) {
    CConverter job;
    Fill(job, "in.txt");
    job.m_szPathOut = "";  // what the check makes of "/"
    job.RecordInProfile();
    EXPECT_EQ(m_profile.writes[1], "Import/PathOut=/");
}

TEST_F(RunStages, DotDotAfterALinkIsTheKernelsDirectory) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine has no symbolic links (Windows gives them to administrators only)";
#else
    // db/real/inner with a link db/link -> real/inner: link/.. is db/real.
    fs::create_directories(m_db.File("real/inner"));
    fs::create_directory_symlink(m_db.File("real/inner"), m_db.File("link"));
    const std::string input = Input("prices.txt", "01/02/04,1,2,0.5,1.5,100,7\n");
    CConverter job;
    Fill(job, input);
    job.m_szPathOut = m_db.File("link/..");
    ASSERT_EQ(job.Run(), 0);
    EXPECT_TRUE(FileExists(m_db.File("real/MASTER")));
    EXPECT_TRUE(FileExists(m_db.File("real/F1.DAT")));
    EXPECT_FALSE(FileExists(m_db.File("MASTER")));
    EXPECT_EQ(job.Result().databaseDirectory, m_db.File("real"));
#endif
}

TEST_F(RunStages, ProfileGetsAbsoluteDirectoryAndBackupHoldsTheNewEntry) {
    WriteMaster(Concat({HeaderBytes(1, 1), EntryBytes(1, "A", "A")}));
    const std::string input = Input("prices.txt", "01/02/04,1,2,0.5,1.5,100,7\n");
    CConverter job;
    Fill(job, input, kMM_DD_YY, false);
    job.m_szPathOut = m_db.Path() + "/./";
    ASSERT_EQ(job.Run(), 0);
    EXPECT_EQ(m_profile.writes,
              (std::vector<std::string>{"Import/PathIn=" + input, "Import/PathOut=" + m_db.Path(),
                                        "Import/Symbol=IBM", "Import/Name=Intl Bus Mach"}));
    // The backup is taken before the conversion sets the entry's dates.
    auto backup = ReadBytes(m_db.File("MASTER.BAK"));
    ASSERT_EQ(backup.size(), 3 * 53U);
    MasterRecord saved = MasterRecord::Unpack(backup.data() + 2 * 53);
    EXPECT_EQ(Stored(saved.firstDate), 1261207.0F);
    EXPECT_EQ(Stored(Entry(2).firstDate), 1040102.0F);
}

TEST_F(RunStages, OverlongOutputDirectoryIsRefusedBeforeAnythingIsWritten) {
#ifdef _WIN32
    // The run refuses it there too, but MinGW's std::filesystem lists the
    // working folder for a folder past MAX_PATH (260 characters).
    GTEST_SKIP() << "std::filesystem cannot list a folder past MAX_PATH to check it is empty";
#else
    std::string deep = m_db.File(std::string(200, 'a'));
    fs::create_directory(deep);
    deep += "/" + std::string(100, 'b');
    fs::create_directory(deep);
    CConverter job;
    Fill(job, "unused.txt");
    job.m_szPathOut = deep;
    EXPECT_EQ(job.Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find("too long"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(deep));
#endif
}

// A fault injected into one step of AddSecurity or the Commit after it:
// MASTER stays exactly as it was, no work file and no files of the new
// security are left.
class AddSecurityFaults : public RunStages,
                          public ::testing::WithParamInterface<std::pair<FileOp, const char*>> {};

TEST_P(AddSecurityFaults, LeaveMasterWhole) {
    const auto [op, suffix] = GetParam();
    WriteMaster(Concat({HeaderBytes(1, 1), EntryBytes(1, "A", "A")}));
    const auto before = Master();
    CConverter job;
    Fill(job, "unused.txt", kMM_DD_YY, false);
    ASSERT_EQ(job.CheckOutputDirectory(), 0);
    ASSERT_EQ(job.CheckColumnCount(), 0);
    const std::string target = m_db.File(suffix);
    FaultHookScope faults(
        [&](FileOp o, const std::string& path) { return o == op && path == target; });
    int status = job.AddSecurity();
    if (status == 0) {
        status = job.Commit();
    }
    EXPECT_EQ(status, 1);
    faults.Remove();
    EXPECT_EQ(Master(), before);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_db.Path())) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::set<std::string>{"MASTER"});
    ASSERT_EQ(m_messages.Texts().size(), 1U);
    EXPECT_NE(m_messages.Texts()[0].find(target), std::string::npos) << m_messages.Texts()[0];
}

INSTANTIATE_TEST_SUITE_P(EachStep, AddSecurityFaults,
                         ::testing::Values(std::make_pair(FileOp::Open, "MASTER"),
                                           std::make_pair(FileOp::Read, "MASTER"),
                                           std::make_pair(FileOp::Open, "MASTER.~NU"),
                                           std::make_pair(FileOp::Write, "MASTER.~NU"),
                                           std::make_pair(FileOp::Flush, "MASTER.~NU"),
                                           std::make_pair(FileOp::Open, "F2.DAT.~NU"),
                                           std::make_pair(FileOp::Write, "F2.DOP.~NU"),
                                           std::make_pair(FileOp::Rename, "F2.DOP"),
                                           std::make_pair(FileOp::Rename, "MASTER"),
                                           std::make_pair(FileOp::Write, ".torvan-journal.~NU"),
                                           std::make_pair(FileOp::Rename, ".torvan-journal")),
                         [](const ::testing::TestParamInfo<std::pair<FileOp, const char*>>& info) {
                             std::string name =
                                 "Op" + std::to_string(static_cast<int>(info.param.first)) + "_";
                             for (const char* c = info.param.second; *c != '\0'; ++c) {
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             }
                             return name;
                         });

TEST_F(RunStages, AddsToDatabasesOtherProgramsWrote) {
    // Equis-written MASTER with two entries; lower-case "master" with 128.
    for (const std::string dir : {"metastock/equis_b", "metastock/futures_2yr_note"}) {
        TempDir db;
        for (const auto& f : fs::directory_iterator(RealData(dir))) {
            fs::copy_file(f.path(), db.File(f.path().filename().string()));
        }
        auto masterPath = FindFileNoCase(db.Path(), "MASTER");
        ASSERT_TRUE(masterPath);
        const auto before = ReadBytes(*masterPath);
        MasterHeader header = MasterHeader::Unpack(before.data());
        CConverter job;
        Fill(job, "unused.txt", kMM_DD_YY, false);
        job.m_szPathOut = db.Path();
        job.m_szSymbol = "TORVAN";
        ASSERT_EQ(AddThroughStages(job), 0) << dir;
        const auto after = ReadBytes(*masterPath);
        ASSERT_EQ(after.size(), before.size() + 53) << dir;
        EXPECT_EQ(GetU16(after.data()), header.entryCount + 1);
        EXPECT_TRUE(std::equal(before.begin() + 4, before.end(), after.begin() + 4));
        MasterRecord added = MasterRecord::Unpack(after.data() + before.size());
        MasterRecord found;
        ASSERT_EQ(FindSecurity(db.Path(), "torvan", found), kFound);
        EXPECT_EQ(found.fileNumber, added.fileNumber);
        const auto names = ListDirectory(db.Path());
        EXPECT_EQ(
            std::count_if(names.begin(), names.end(),
                          [](const std::string& name) { return EqualsNoCase(name, "MASTER"); }),
            1)
            << "a second MASTER was made beside the lower-case one";
    }
}

}  // namespace
}  // namespace torvan::test

namespace torvan::test {
namespace {

class JobResults : public JobTest {};

TEST_F(JobResults, OutcomeCountsDatesAndMessagesOfEachJobAreItsOwn) {
    const std::string input = Input(
        "prices.txt", "01/02/04,1,2,0.5,1.5,100,7\nbad,1,2,3,4,5,6\n01/05/04,2,3,1,2,200,8\n");
    RecordingSink other;
    CConverter refused;
    Fill(refused, input);
    refused.m_pSink = &other;
    refused.m_szPathOut = m_db.File("missing");

    CConverter job;
    Fill(job, input);
    ASSERT_EQ(job.Run(), 0);
    ASSERT_EQ(refused.Run(), 1);

    const JobResult& result = job.Result();
    EXPECT_EQ(result.outcome, Outcome::kConvertedWithWarnings);
    EXPECT_EQ(result.recordsWritten, 2);
    EXPECT_EQ(result.linesWithoutDate, 1);
    EXPECT_EQ(result.firstLineWithoutDate, 2);
    EXPECT_EQ(result.firstDate, 1040102.0F);
    EXPECT_EQ(result.lastDate, 1040105.0F);
    EXPECT_EQ(result.fileNumber, 1);
    EXPECT_EQ(result.databaseDirectory, m_db.Path());
    ASSERT_EQ(result.messages.size(), 1U);
    EXPECT_EQ(result.messages[0].id, "LinesWithoutDate");
    EXPECT_EQ(result.messages[0].params, (std::vector<std::string>{"1", "2"}));
    // Each job's messages reached its own sink only.
    ASSERT_EQ(m_messages.Messages().size(), 1U);
    EXPECT_EQ(m_messages.Messages()[0].id, "LinesWithoutDate");
    ASSERT_EQ(other.Messages().size(), 1U);
    EXPECT_EQ(other.Messages()[0].id, "PathDoesNotExist");
    EXPECT_EQ(other.Messages()[0].text, "Path does not exist:\n" + m_db.File("missing"));

    EXPECT_EQ(refused.Result().outcome, Outcome::kRefused);
    EXPECT_EQ(refused.Result().fileNumber, 0);
    EXPECT_EQ(refused.Result().recordsWritten, 0);
    EXPECT_FALSE(refused.Result().Succeeded());

    CConverter clean;
    Fill(clean, Input("clean.txt", "01/02/04,1,2,0.5,1.5,100,7\n"), kMM_DD_YY, false);
    clean.m_szSymbol = "CLEAN";
    ASSERT_EQ(clean.Run(), 0);
    EXPECT_EQ(clean.Result().outcome, Outcome::kConverted);
    EXPECT_EQ(clean.Result().fileNumber, 2);
    EXPECT_TRUE(clean.Result().messages.empty());

    // A job without a sink keeps its messages and answers the default.
    CConverter quiet;
    Fill(quiet, input, kMM_DD_YY, false);
    quiet.m_pSink = nullptr;
    quiet.m_szSymbol = "CLEAN";
    EXPECT_EQ(quiet.Run(), 1);
    ASSERT_EQ(quiet.Result().messages.size(), 1U);
    EXPECT_EQ(quiet.Result().messages[0].id, "DuplicateSymbol");
}

}  // namespace
}  // namespace torvan::test
