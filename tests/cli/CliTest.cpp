// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end tests of torvan-cli: the built program runs in a temporary
// folder on copies of real price files, and what it wrote is read back
// through its own "dump" and "list".

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "cli/Output.h"
#include "database/Master.h"
#include "settings/ProfileStore.h"

namespace torvan::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator)) {
        if (!part.empty() && part.back() == '\r') {
            part.pop_back();
        }
        parts.push_back(part);
    }
    return parts;
}

Rows Table(const std::string& text, char separator) {
    Rows rows;
    for (const std::string& line : Split(text, '\n')) {
        rows.push_back(Split(line, separator));
    }
    return rows;
}

float Number(const std::string& text) {
    return std::strtof(text.c_str(), nullptr);
}

// A MASTER whose only entry, number 1, is the subdirectory name.
void WriteSubdirectoryMaster(const std::string& path, const std::string& name) {
    MasterHeader header;
    header.entryCount = 1;
    header.fileCounter = 1;
    MasterRecord entry;
    entry.fileNumber = 1;
    entry.name = PadField(name + std::string(11 - name.size(), ' ') + "<DIR>");
    const MasterBytes top = header.Pack();
    const MasterBytes record = entry.Pack();
    std::vector<std::uint8_t> master(2 * kMasterRecordSize);
    std::copy(top.begin(), top.end(), master.begin());
    std::copy(record.begin(), record.end(), master.begin() + kMasterRecordSize);
    WriteBytes(path, master);
}

class Cli : public ::testing::Test {
  protected:
    // Runs the program in dir (default: the temporary folder) with a profile
    // root of its own, so that no test sees the user's settings.
    Result Run(const std::vector<std::string>& args, const std::string& dir = "") {
        std::string command = "cd " + Quoted(dir.empty() ? temp.Path() : dir) + " && " + limits +
                              "XDG_CONFIG_HOME=" + Quoted(configRoot) + " " +
                              Quoted(TORVAN_CLI_PATH);
        for (const std::string& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " >" + Quoted(temp.File("out")) + " 2>" + Quoted(temp.File("err"));
        const int raw = std::system(command.c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadText(temp.File("out"));
        result.err = ReadText(temp.File("err"));
        return result;
    }

    std::string CopyReal(const std::string& name) {
        std::filesystem::copy_file(RealData(name), temp.File(name));
        return temp.File(name);
    }

    std::string NewDir(const std::string& name) {
        std::filesystem::create_directories(temp.File(name));
        return temp.File(name);
    }

    Rows Dump(const std::string& db, const std::string& symbol) {
        const Result dump = Run({"dump", db, symbol});
        EXPECT_EQ(dump.status, 0) << dump.err;
        return Table(dump.out, ',');
    }

    TempDir temp;
    std::string configRoot = temp.File("config");
    std::string limits;  // shell commands run before the program
};

// Each input row's date and values, as the dump shows them.
void ExpectSameRecords(const Rows& input, const Rows& dump, const std::vector<int>& columns) {
    ASSERT_EQ(dump.size(), input.size());
    for (std::size_t r = 0; r < input.size(); ++r) {
        for (std::size_t f = 1; f < columns.size(); ++f) {
            ASSERT_EQ(Number(dump[r][f]), Number(input[r][static_cast<std::size_t>(columns[f])]))
                << "record " << r << " field " << f;
        }
    }
}

TEST_F(Cli, YahooFileRoundTripsThroughDumpAndList) {
    const std::string input = CopyReal("yahoo_orcl_1995-2014.csv");
    const std::string db = NewDir("db");
    const Result convert =
        Run({"convert", input, "--db", db, "--symbol", "orcl ", "--name", "Oracle", "--new-master",
             "--skip", "1", "--date-format", "ccyy_mm_dd", "--columns",
             "date=1,open=2,high=3,low=4,close=5,vol=7"});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(convert.out,
              "Converted " + input + " into " + db +
                  " as ORCL (F1.DAT, 5036 price records).\n"
                  "First stored: Date 1995-01-03, Open 2.179012, High 2.191358, Low 2.117284, "
                  "Close 2.117284, Volume 36301200\n"
                  "Last stored:  Date 2014-12-31, Open 45.45, High 45.56, Low 44.97, Close 44.97, "
                  "Volume 13269200\n");

    Rows rows = Table(ReadText(input), ',');
    rows.erase(rows.begin());
    Rows dump = Dump(db, "oracle");
    ASSERT_FALSE(dump.empty());
    EXPECT_EQ(dump.front(),
              (std::vector<std::string>{"Date", "Open", "High", "Low", "Close", "Volume"}));
    dump.erase(dump.begin());
    ExpectSameRecords(rows, dump, {0, 1, 2, 3, 4, 6});
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(dump[r][0], rows[r][0]);
    }

    const Result list = Run({"list", db});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("ORCL              Oracle            DOHLCV    1995-01-03  "
                            "2014-12-31  5036"),
              std::string::npos)
        << list.out;

    // Output that cannot be written ends in a message, not a cut-off CSV.
    if (std::filesystem::exists("/dev/full")) {
        const std::string command = "XDG_CONFIG_HOME=" + Quoted(configRoot) + " " +
                                    Quoted(TORVAN_CLI_PATH) + " dump " + Quoted(db) +
                                    " ORCL >/dev/full 2>" + Quoted(temp.File("err"));
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
        EXPECT_NE(ReadText(temp.File("err")).find("Cannot write the records"), std::string::npos);
    }
}

TEST_F(Cli, NewestFirstFileWithMonthNamesIsReversedInPlace) {
    const std::string input = CopyReal("googlefin_orcl_2010_malformed.csv");
    const std::string original = ReadText(input);
    const std::string db = NewDir("db");
    const Result convert = Run({"convert", input, "--db", db, "--symbol", "ORCL", "--new-master",
                                "--reverse", "--month-names", "--date-format", "DD_MM_YY", "--skip",
                                "1", "--columns", "date=1,open=2,high=3,low=4,close=5,vol=6"});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(ReadText(input + ".BAK"), original);
    EXPECT_EQ(ReadText(input).rfind("4-Jan-10,24.66,", 0), 0U);

    const Rows dump = Dump(db, "ORCL");
    ASSERT_EQ(dump.size(), 253U);
    EXPECT_EQ(dump[1], (std::vector<std::string>{"2010-01-04", "24.66", "25.19", "24.66", "24.85",
                                                 "26795074"}));
    // "-" stands for a missing open and reads as 0.
    EXPECT_EQ(dump[251],
              (std::vector<std::string>{"2010-12-30", "0", "31.58", "31.21", "31.29", "12989495"}));
    EXPECT_EQ(dump[252][0], "2010-12-31");
}

TEST_F(Cli, TabFileWithHeaderRowsAndFooter) {
    const std::string input = CopyReal("tdx_sz000001_tab.txt");
    const std::string db = NewDir("db");
    const Result convert = Run({"convert", input, "--db", db, "--symbol", "000001", "--new-master",
                                "--delimiter", "tab", "--date-format", "CCYY_MM_DD", "--skip", "2",
                                "--columns", "date=1,open=2,high=3,low=4,close=5,vol=6"});
    // The footer line has no date: reported, and the run still succeeds.
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_NE(convert.err.find("torvan-cli: 1 line has no valid date"), std::string::npos)
        << convert.err;
    EXPECT_NE(convert.out.find("7516 price records"), std::string::npos) << convert.out;

    const Rows dump = Dump(db, "000001");
    ASSERT_EQ(dump.size(), 7517U);
    EXPECT_EQ(dump[1], (std::vector<std::string>{"1991-04-03", "49", "49", "49", "49", "100"}));
    EXPECT_EQ(dump.back()[0], "2022-11-04");
}

TEST_F(Cli, SampleConvertsWithTheDefaults) {
    const std::string db = NewDir("db");
    const Result convert =
        Run({"convert", "res/samples/ibm.txt", "--db", db, "--symbol", "IBM", "--new-master"},
            TORVAN_SOURCE_DIR);
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(convert.err, "");

    const Rows sample = Table(ReadText(TORVAN_SOURCE_DIR "/res/samples/ibm.txt"), ',');
    Rows dump = Dump(db, "IBM");
    ASSERT_EQ(dump.size(), 301U);
    EXPECT_EQ(dump.front().back(), "OpenInterest");
    dump.erase(dump.begin());
    ExpectSameRecords(sample, dump, {0, 1, 2, 3, 4, 5, 6});
    for (const auto& row : sample) {
        ASSERT_EQ(row.size(), 7U);
        ASSERT_GE(Number(row[2]), std::max(Number(row[1]), Number(row[4])));
        ASSERT_LE(Number(row[3]), std::min(Number(row[1]), Number(row[4])));
    }
    EXPECT_EQ(dump.front()[0], "1998-01-02");
}

TEST_F(Cli, UsageErrorsExitTwoAndLeaveTheDirectoryAlone) {
    const std::string db = NewDir("db");
    const std::string input = CopyReal("yahoo_orcl_1995-2014.csv");
    const std::vector<std::string> base = {"convert", input, "--db", db, "--new-master"};
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--symbol", " \t "}, "--symbol: You did not enter a valid symbol"},
        {{"--symbol", "ABCDEFGHIJKLMNOPQ"}, "--symbol: Enter no more than 16 characters."},
        // MASTER keeps 16 characters of the name, EMASTER and XMASTER 45.
        {{"--symbol", "A", "--name", std::string(46, 'n')}, "--name: Enter no more than 45"},
        {{"--symbol", "A", "--columns", "date=1,open=3,high=3,close=5"},
         "--columns: Duplicate columns specified Correct or disable"},
        {{"--symbol", "A", "--columns", "date=1,open=2"}, "date and close"},
        {{"--symbol", "A", "--columns", "date=1,close=21"}, "from 1 to 20"},
        {{"--symbol", "A", "--columns", "date=1,close=5,volume=6"}, "FIELD=COLUMN"},
        {{"--symbol", "A", "--date-format", "YYYY-MM-DD"}, "MMDDCCYY, DDMMYY, DDMMCCYY"},
        {{"--symbol", "A", "--delimiter", "pipe"}, "comma, tab, space or semicolon"},
        {{"--symbol", "A", "--footer", "201"},
         "--footer: Please enter an integer between 0 and 200."},
        {{"--symbol", "A", "--decimal-comma"}, "--decimal-comma: A decimal comma can only be read"},
        {{"--symbol", "A", "--skip", "201"}, "--skip: Please enter an integer between 0 and 200."},
        {{"--symbol", "A", "--skip", "two"}, "--skip"},
        {{}, "--symbol"},
    };
    for (const auto& [extra, message] : cases) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        const Result result = Run(args);
        EXPECT_EQ(result.status, 2) << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(db));
    EXPECT_EQ(Run({"frobnicate"}).status, 2);
    EXPECT_EQ(Run({"list"}).status, 2);
}

// The daily update end to end: the whole file on top of its first part
// stores what a conversion of it stores, a second run adds nothing, and
// the command line is checked as convert's.
TEST_F(Cli, UpdateAddsTheNewDaysAndSaysWhatItDid) {
    const std::string input = CopyReal("yahoo_orcl_1995-2014.csv");
    const std::string text = ReadText(input);
    std::size_t cut = 0;
    for (int line = 0; line < 101; ++line) {
        cut = text.find('\n', cut) + 1;
    }
    WriteText(temp.File("part.csv"), text.substr(0, cut));
    const std::string db = NewDir("db");
    const std::string whole = NewDir("whole");
    ASSERT_EQ(Run({"convert", "part.csv", "--db", db, "--symbol", "ORCL", "--new-master", "--auto"})
                  .status,
              0);
    ASSERT_EQ(
        Run({"convert", input, "--db", whole, "--symbol", "ORCL", "--new-master", "--auto"}).status,
        0);
    const std::vector<std::string> update = {"update",   input,  "--db",  db,
                                             "--symbol", "orcl", "--auto"};
    Result result = Run(update);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "ORCL updated: 4936 records added, 100 skipped (equal), 0 differing; new days "
              "1995-05-25 to 2014-12-31.\n");
    EXPECT_EQ(Dump(db, "ORCL"), Dump(whole, "ORCL"));
    result = Run(update);
    EXPECT_EQ(result.out, "ORCL updated: 0 records added, 5036 skipped (equal), 0 differing.\n");

    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"--replace", "--replace-all"}, 2},
        {{"--new-master"}, 2},
        {{"--csv", "--decimal-comma", "--no-csv"}, 2},
        {{"--date-format", "DDMMYY", "--columns", "date=9,close=2"}, 1},
    };
    for (const auto& [extra, status] : cases) {
        std::vector<std::string> args = update;
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(Run(args).status, status) << testing::PrintToString(extra);
    }
    EXPECT_EQ(Run({"update", input, "--db", db}).status, 2);
    EXPECT_EQ(Dump(db, "ORCL"), Dump(whole, "ORCL"));
}

TEST_F(Cli, FailedConversionsExitOne) {
    const std::string input = CopyReal("yahoo_orcl_1995-2014.csv");
    const std::string db = NewDir("db");
    const std::vector<std::string> layout = {"--skip", "1", "--date-format", "CCYY_MM_DD"};
    auto convert = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"convert", input, "--db", db});
        args.insert(args.end(), layout.begin(), layout.end());
        return Run(args);
    };
    ASSERT_EQ(convert({"--symbol", "ORCL", "--new-master"}).status, 0);

    const Result duplicate = convert({"--symbol", "orcl"});
    EXPECT_EQ(duplicate.status, 1);
    EXPECT_NE(duplicate.err.find("torvan-cli: Duplicate Symbol Failure"), std::string::npos)
        << duplicate.err;
    EXPECT_NE(duplicate.err.find("torvan-cli: Conversion failed."), std::string::npos);

    // The existing MASTER takes a second symbol.
    const Result second = convert({"--symbol", "ORCL2"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("(F2.DAT, 5036 price records)"), std::string::npos) << second.out;

    const Result noMaster = Run({"convert", input, "--db", NewDir("empty"), "--symbol", "X"});
    EXPECT_EQ(noMaster.status, 1);
    EXPECT_NE(noMaster.err.find("does not point to a Master file"), std::string::npos);

    const Result noInput =
        Run({"convert", temp.File("missing.csv"), "--db", db, "--symbol", "NEW"});
    EXPECT_EQ(noInput.status, 1);
    EXPECT_EQ(Split(Run({"list", db}).out, '\n').size(), 3U) << "nothing added by failures";
}

TEST_F(Cli, ManyFilesConvertInOneRunEachOnItsOwn) {
    const std::string db = NewDir("db");
    const std::string orcl = CopyReal("yahoo_orcl_1995-2014.csv");
    const std::vector<std::string> layout = {"--skip", "1", "--date-format", "CCYY_MM_DD"};
    auto convert = [&](std::vector<std::string> args) {
        args.insert(args.end(), layout.begin(), layout.end());
        return Run(args);
    };
    ASSERT_EQ(convert({"convert", orcl, "--db", db, "--symbol", "ORCL", "--new-master"}).status, 0);
    std::filesystem::copy_file(orcl, temp.File("abc.csv"));
    std::filesystem::copy_file(orcl, temp.File("orcl.txt"));  // ORCL is there already

    const std::vector<std::string> files = {temp.File("abc.csv"), temp.File("missing.csv"),
                                            temp.File("orcl.txt")};
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--symbol", "X"}, "--symbol cannot be given with several files"},
        {{"--new-master"}, "--new-master takes a single file"},
    };
    for (const auto& [extra, message] : refused) {
        std::vector<std::string> args = {"convert", files[0], files[2], "--db", db};
        args.insert(args.end(), extra.begin(), extra.end());
        const Result result = convert(args);
        EXPECT_EQ(result.status, 2) << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }

    const Result batch = convert({"convert", files[0], files[1], files[2], "--db", db});
    EXPECT_EQ(batch.status, 1) << batch.err;
    const std::vector<std::string> lines = Split(batch.out, '\n');
    ASSERT_GE(lines.size(), 4U) << batch.out;
    EXPECT_NE(lines[0].find("ABC (" + files[0] + "): added, 5036 records, "), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("MISSING (" + files[1] + "): failed: "), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("ORCL (" + files[2] + "): failed: Duplicate Symbol"), std::string::npos)
        << lines[2];
    EXPECT_EQ(lines[3], "1 of 3 files added.");
    const Result list = Run({"list", db});
    EXPECT_NE(list.out.find("ABC"), std::string::npos) << list.out;
    EXPECT_EQ(Split(list.out, '\n').size(), 3U) << list.out;

    // update: ORCL is there with every day of its file, NEW is added.
    std::filesystem::copy_file(orcl, temp.File("new.csv"));
    const Result update = convert({"update", files[2], temp.File("new.csv"), "--db", db});
    EXPECT_EQ(update.status, 0) << update.err;
    for (const std::string& line :
         {"ORCL (" + files[2] + "): updated, 0 records added, 5036 skipped (equal), 0 differing\n",
          "NEW (" + temp.File("new.csv") + "): added, 5036 records, ",
          std::string("2 of 2 files updated or added.\n")}) {
        EXPECT_NE(update.out.find(line), std::string::npos) << update.out;
    }
}

TEST_F(Cli, ManyFilesKeepTheirTimesAndRefuseATickerColumn) {
    const std::string db = NewDir("db");
    ASSERT_EQ(Run({"convert", CopyReal("yahoo_orcl_1995-2014.csv"), "--db", db, "--symbol", "ORCL",
                   "--new-master", "--skip", "1", "--date-format", "CCYY_MM_DD"})
                  .status,
              0);
    std::string bars = "Date,Time,Open,High,Low,Close,Volume\n";
    std::string many = "Ticker,Date,Open,High,Low,Close\n";
    for (int day = 2; day <= 5; ++day) {
        const std::string date = "2024-01-0" + std::to_string(day);
        for (const char* time : {"09:30", "09:35", "09:40"}) {
            bars += date + "," + time + ",10,11,9,10.5,100\n";
        }
        for (const char* ticker : {"AAA", "BBB"}) {
            many += std::string(ticker) + "," + date + ",10,11,9,10.5\n";
        }
    }
    WriteText(temp.File("bars.csv"), bars);
    WriteText(temp.File("many.csv"), many);
    const Result batch =
        Run({"convert", temp.File("bars.csv"), temp.File("many.csv"), "--db", db, "--auto"});
    EXPECT_EQ(batch.status, 1) << batch.err;
    EXPECT_NE(batch.out.find("BARS (" + temp.File("bars.csv") + "): added, 12 records"),
              std::string::npos)
        << batch.out;
    EXPECT_NE(batch.out.find("MANY (" + temp.File("many.csv") + "): failed: the file has a ticker"),
              std::string::npos)
        << batch.out;
    const Result list = Run({"list", db});
    EXPECT_NE(list.out.find("2024-01-05 09:40"), std::string::npos) << list.out;
}

TEST_F(Cli, HostileInputsAreRefusedByNameWithinLittleMemory) {
    // Memory and time limits, so that a reader that grows fails here and
    // does not take the machine with it. The sanitizers reserve terabytes of
    // address space for their shadow memory, so there only time is limited.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    limits = "timeout 60 env ";
#else
    limits = "ulimit -v 400000 && timeout 60 env ";
#endif
    ASSERT_EQ(::mkfifo(temp.File("pipe").c_str(), 0600), 0);
    WriteText(temp.File("long.txt"), "01/02/04,1,2,3,4,5\r" + std::string(50'000'000, '7'));
    const std::string db = NewDir("db");
    const struct {
        std::string input;
        std::string says;
    } cases[] = {
        {"/dev/zero", "not a regular file"},
        {temp.File("pipe"), "not a regular file"},
        {temp.File("long.txt"), "Line 2 of the input file is longer than 65536 bytes"},
    };
    for (const auto& c : cases) {
        const std::vector<std::vector<std::string>> commands = {
            {"inspect", c.input},
            {"convert", c.input, "--db", db, "--symbol", "X", "--new-master", "--auto"},
            {"convert", c.input, "--db", db, "--symbol", "X", "--new-master", "--date-format",
             "MM_DD_YY"},
        };
        for (const auto& args : commands) {
            const Result result = Run(args);
            EXPECT_EQ(result.status, 1) << args[0] << " " << c.input << result.err;
            EXPECT_NE((result.out + result.err).find(c.says), std::string::npos)
                << args[0] << " " << c.input << ": " << result.out << result.err;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(db));
}

TEST(CliRunReported, ExceptionsAreToldAndExitOne) {
    EXPECT_EQ(cli::RunReported([] { return 0; }), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(cli::RunReported([]() -> int { throw std::bad_alloc(); }), 1);
    EXPECT_EQ(cli::RunReported([]() -> int { throw std::runtime_error("disk on fire"); }), 1);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("torvan-cli: There was not enough memory"), std::string::npos) << told;
    EXPECT_NE(told.find("torvan-cli: The work was stopped by an unexpected error: disk on fire"),
              std::string::npos)
        << told;
}

TEST_F(Cli, EveryFailureExitsNonZeroAndNamesItsPath) {
    const std::string input = CopyReal("yahoo_orcl_1995-2014.csv");
    const std::string db = NewDir("db");
    auto convert = [&](const std::string& into, const std::string& symbol, bool newMaster) {
        std::vector<std::string> args = {"convert",       input,       "--db",   into,
                                         "--symbol",      symbol,      "--skip", "1",
                                         "--date-format", "CCYY_MM_DD"};
        if (newMaster) {
            args.push_back("--new-master");
        }
        return Run(args);
    };
    for (const char* symbol : {"A", "B", "C"}) {
        ASSERT_EQ(convert(db, symbol, symbol[0] == 'A').status, 0);
    }
    WriteText(temp.File("file"), "");
    // MASTER's header counts 1 of its 3 entries: a new one would be lost.
    auto master = ReadBytes(temp.File("db/MASTER"));
    master[0] = 1;
    WriteBytes(temp.File("db/MASTER"), master);
    struct Case {
        std::string db, symbol;
        bool newMaster;
        int status;
        std::string text;  // on standard error, with the path
    };
    const Case cases[] = {
        {temp.File("file"), "X", true, 1, "Path does not exist: " + temp.File("file")},
        {temp.File("none"), "X", true, 1, "Path does not exist: " + temp.File("none")},
        {NewDir("empty"), "X", false, 1,
         "Path specified does not point to a Master file: " + temp.File("empty/MASTER")},
        {db, "X", true, 1, "New Master chosen but one already exists: " + temp.File("db/MASTER")},
        {db, "D", false, 1, temp.File("db/MASTER") + " Run torvan-cli check"},
        {db, "TAB\tX", false, 2, "--symbol: You did not enter a valid symbol"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Result result = convert(c.db, c.symbol, c.newMaster);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.err.find(c.text), std::string::npos) << result.err;
    }
    EXPECT_EQ(ReadBytes(temp.File("db/MASTER")), master);
}

TEST_F(Cli, FromProfileStartsFromTheSavedSettingsAndSavesThemBack) {
    CProfileStore store;
    bool created = false;
    ASSERT_TRUE(store.Open(configRoot, "Software\\Quennel\\Torvan", created));
    store.WriteInt("Import", "Exist", 1);
    store.WriteInt("Import", "Delimiter", 1);
    store.WriteString("Import", "DateFormat", "YYMMDD");  // replaced on the command line
    store.WriteInt("Import", "SkipOn", 1);
    store.WriteInt("Import", "SkipRows", 2);
    store.WriteInt("Import", "OIOn", 0);

    const std::string input = CopyReal("tdx_sz000001_tab.txt");
    const std::string db = NewDir("db");
    const Result convert = Run({"convert", input, "--from-profile", "--db", db, "--symbol", "sz1",
                                "--date-format", "CCYY_MM_DD"});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_NE(convert.out.find("7516 price records"), std::string::npos) << convert.out;
    EXPECT_EQ(Dump(db, "SZ1").front().size(), 6U) << "open interest stays off";
    EXPECT_EQ(store.GetString("Import", "DateFormat", ""), "CCYY_MM_DD");
    EXPECT_EQ(store.GetString("Import", "Symbol", ""), "SZ1");
    EXPECT_EQ(store.GetString("Import", "PathOut", ""), db);
    EXPECT_EQ(store.GetString("Import", "PathIn", ""), input);

    // Without --from-profile the saved settings are neither used nor changed.
    const std::string saved = ReadText(store.FilePath());
    const Result plain = Run({"convert", input, "--db", NewDir("db2"), "--symbol", "OTHER"});
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(ReadText(store.FilePath()), saved);

    // A stored date format is read as the settings dialog reads it: the
    // first list entry that begins with it.
    store.WriteString("Import", "DateFormat", "ccyy_mm");
    const Result prefix =
        Run({"convert", input, "--from-profile", "--existing-master", "--symbol", "sz2"});
    ASSERT_EQ(prefix.status, 0) << prefix.err;
    EXPECT_EQ(Dump(db, "SZ2"), Dump(db, "SZ1"));
    EXPECT_EQ(store.GetInt("Newbie", "Newbie2", 1), 0);
}

TEST_F(Cli, FromProfileOnANewStoreUsesTheDefaultsAndTheWorkingDirectory) {
    const std::string input = CopyReal("yahoo_orcl_1995-2014.csv");
    // No --db: the first-run rule gives the working directory, which has no
    // MASTER, so the defaults ("Use Existing Master") are refused there.
    const Result convert = Run({"convert", input, "--from-profile", "--symbol", "x"});
    EXPECT_EQ(convert.status, 1);
    EXPECT_NE(convert.err.find("Path specified does not point to a Master file"), std::string::npos)
        << convert.err;
    const Result refused = Run({"convert", input, "--from-profile", "--symbol", " "});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--symbol: You did not enter a valid symbol"), std::string::npos)
        << refused.err;
}

// --from-profile reads the settings as the desktop program's Settings
// command does, with the same checks and texts.
TEST_F(Cli, FromProfileReadsTheSettingsAsTheDesktopProgramDoes) {
    const std::string work = NewDir("work");
    std::filesystem::copy_file(TORVAN_SOURCE_DIR "/res/samples/ibm.txt", temp.File("ibm.txt"));

    // Nothing saved yet: the defaults fit the sample, and the database goes
    // into the working directory.
    const Result first =
        Run({"convert", temp.File("ibm.txt"), "--from-profile", "--symbol", "ibm", "--new-master"},
            work);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(std::filesystem::exists(temp.File("work/MASTER")));
    CProfileStore store;
    bool created = true;
    ASSERT_TRUE(store.Open(configRoot, "Software\\Quennel\\Torvan", created));
    EXPECT_EQ(store.GetInt("Newbie", "Newbie2", 1), 0);
    EXPECT_EQ(store.GetString("Import", "PathOut", ""), work);

    // A saved date format is the beginning of a list entry; it is saved
    // back as the entry's full text.
    store.WriteString("Import", "DateFormat", "mmddy");
    const Result second = Run({"convert", temp.File("ibm.txt"), "--from-profile", "--symbol",
                               "IBM2", "--existing-master"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(store.GetString("Import", "DateFormat", ""), "MMDDYY");

    // The dialog's refusals, with its texts.
    store.WriteInt("Import", "SkipRows", 300);
    const Result refused =
        Run({"convert", temp.File("ibm.txt"), "--from-profile", "--symbol", "X"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("Please enter an integer between 0 and 200."), std::string::npos)
        << refused.err;
    store.WriteInt("Import", "SkipRows", 0);
    store.WriteInt("Import", "HiCol", 1);
    const Result duplicate =
        Run({"convert", temp.File("ibm.txt"), "--from-profile", "--symbol", "X"});
    EXPECT_EQ(duplicate.status, 2);
    EXPECT_NE(duplicate.err.find("Duplicate columns specified Correct or disable"),
              std::string::npos)
        << duplicate.err;
}

TEST_F(Cli, FromProfileWithoutAUsableStoreStartsFromTheDefaults) {
    const std::string work = NewDir("work");
    WriteText(configRoot, "a file where the settings folder should be");
    std::filesystem::copy_file(TORVAN_SOURCE_DIR "/res/samples/ibm.txt", temp.File("ibm.txt"));
    const Result run =
        Run({"convert", temp.File("ibm.txt"), "--from-profile", "--symbol", "ibm", "--new-master"},
            work);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("using the defaults"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(temp.File("work/MASTER")));
}

TEST_F(Cli, TheFirstStartOfTheStoreImportsTheLegacySettingsFile) {
    std::filesystem::create_directories(configRoot + "/Quennel");
    WriteText(configRoot + "/Quennel/Torvan.INI", "[Import]\nSymbol=LEGACY\nName=Old settings\n");
    std::filesystem::copy_file(TORVAN_SOURCE_DIR "/res/samples/ibm.txt", temp.File("ibm.txt"));
    const std::string db = NewDir("db");
    const Result run =
        Run({"convert", temp.File("ibm.txt"), "--from-profile", "--db", db, "--new-master"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(" as LEGACY "), std::string::npos) << run.out;
    EXPECT_NE(Run({"list", db}).out.find("Old settings"), std::string::npos);
}

TEST_F(Cli, ListAndDumpReadOtherProgramsDatabases) {
    const std::string real = RealData("metastock");
    const Result equis = Run({"list", real + "/equis_b"});
    EXPECT_EQ(equis.status, 0);
    // Names are as wide as the longest, EMASTER's "1/100 Dow Jones INDU".
    EXPECT_NE(equis.out.find(".FCHI             CAC 40 INDICE         DOHLCVI   1988-08-19  "
                             "2011-12-27  2\n"),
              std::string::npos)
        << equis.out;

    const Result futures = Run({"list", real + "/futures_2yr_note"});
    const Rows futureRows = Table(futures.out, '\n');
    // The header, MASTER's 128 securities and XMASTER's 294.
    EXPECT_EQ(futureRows.size(), 1U + 128U + 294U);
    EXPECT_NE(futures.out.find("TU2__1990U        2-Year Note C 19      DOHLCVI   1990-06-22  "
                               "1990-09-19  62\n"),
              std::string::npos)
        << futures.out;

    const Result bist = Run({"list", real + "/bist_full_master"});
    EXPECT_NE(bist.out.find("CHFJPY            ISVICRE F./JAPON" + std::string(45 - 16 + 2, ' ') +
                            "DOHLCV"),
              std::string::npos);
    EXPECT_NE(bist.out.find("  4928\n"), std::string::npos);

    const Rows intraday = Dump(real + "/stooq_intraday", "2hr.de");
    ASSERT_EQ(intraday.size(), 3U);
    EXPECT_EQ(intraday[0],
              (std::vector<std::string>{"Date", "Time", "Open", "High", "Low", "Close", "Volume"}));
    EXPECT_EQ(intraday[1], (std::vector<std::string>{"2013-11-15", "09:05:00", "8.585", "8.65",
                                                     "8.585", "8.65", "1713"}));

    const Result noMaster = Run({"list", temp.Path()});
    EXPECT_EQ(noMaster.status, 1);
    EXPECT_NE(noMaster.err.find("No MASTER"), std::string::npos);
    const Result unknown = Run({"dump", real + "/equis_b", "NOSUCH"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("NOSUCH"), std::string::npos);
}

TEST_F(Cli, SubdirectoriesAndFieldLayoutsWithoutDescriptionFile) {
    // A top-level MASTER whose only entry is the subdirectory "sub".
    const std::string sub = NewDir("top/sub");
    ASSERT_EQ(Run({"convert", TORVAN_SOURCE_DIR "/res/samples/ibm.txt", "--db", sub, "--symbol",
                   "IBM", "--new-master", "--columns", "date=1,open=2,high=3,low=4,close=5"})
                  .status,
              0);
    WriteSubdirectoryMaster(temp.File("top/MASTER"), "sub");

    const Result list = Run({"list", temp.File("top")});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("\n1     <DIR> sub\n"), std::string::npos) << list.out;

    Rows dump = Dump(temp.File("top"), "ibm");
    ASSERT_EQ(dump.size(), 301U);
    EXPECT_EQ(dump[0], (std::vector<std::string>{"Date", "Open", "High", "Low", "Close"}));
    // Without F1.DOP five fields are taken as date, high, low, close, volume.
    std::filesystem::remove(sub + "/F1.DOP");
    dump = Dump(sub, "IBM");
    EXPECT_EQ(dump[0], (std::vector<std::string>{"Date", "High", "Low", "Close", "Volume"}));
}

// Leaves path where it is but unreadable. Permissions do not stop the
// superuser, so for it path becomes a link to a file that fails every read.
void MakeUnreadable(const std::string& path) {
    if (::geteuid() == 0) {
        std::filesystem::remove(path);
        std::filesystem::create_symlink("/proc/self/mem", path);
    } else {
        std::filesystem::permissions(path, std::filesystem::perms::none);
    }
}

TEST_F(Cli, IndexFilesThatCannotBeReadAreNamed) {
    const std::string db = NewDir("top/db");
    for (const auto& e : std::filesystem::directory_iterator(RealData("metastock/equis_b"))) {
        std::filesystem::copy_file(e.path(), db + "/" + e.path().filename().string());
    }
    const Result whole = Run({"list", db});
    ASSERT_EQ(whole.status, 0);
    ASSERT_EQ(Split(whole.out, '\n').size(), 5U);
    EXPECT_EQ(whole.err, "");

    // What can be read is listed; the list says it is not all, and fails.
    MakeUnreadable(db + "/XMASTER");
    MakeUnreadable(db + "/EMASTER");
    const Result part = Run({"list", db});
    EXPECT_EQ(part.status, 1);
    const std::vector<std::string> lines = Split(part.out, '\n');
    ASSERT_EQ(lines.size(), 3U) << part.out;
    EXPECT_NE(lines[1].find(" .DJX              1/100 Dow Jones   DOHLCVI"), std::string::npos)
        << lines[1];
    EXPECT_EQ(part.err, "torvan-cli: Cannot read the EMASTER file " + db +
                            "/EMASTER; the long names it holds are not shown\n"
                            "torvan-cli: Cannot read the XMASTER file " +
                            db + "/XMASTER; the securities it lists are not shown\n");

    // A security that may be in an unreadable index is not called missing.
    const Result dump = Run({"dump", db, ".N225"});
    EXPECT_EQ(dump.status, 1);
    EXPECT_EQ(dump.out, "");
    EXPECT_EQ(dump.err, "torvan-cli: Cannot read the XMASTER file " + db +
                            "/XMASTER, which might list \".N225\"\n");
    EXPECT_EQ(Run({"dump", db, ".DJX"}).status, 0);

    // Nor one that may be in the MASTER of a subdirectory.
    WriteSubdirectoryMaster(temp.File("top/MASTER"), "db");
    EXPECT_EQ(Run({"dump", temp.File("top"), ".DJX"}).status, 0);
    MakeUnreadable(db + "/MASTER");
    const Result deep = Run({"dump", temp.File("top"), ".DJX"});
    EXPECT_EQ(deep.status, 1);
    EXPECT_EQ(deep.err, "torvan-cli: Cannot read the MASTER file " + db +
                            "/MASTER, which might list \".DJX\"\n");

    // And a MASTER that is there but cannot be read is not "no MASTER".
    for (const std::string command : {"list", "dump"}) {
        std::vector<std::string> args = {command, db};
        if (command == "dump") {
            args.push_back(".DJX");
        }
        const Result unreadable = Run(args);
        EXPECT_EQ(unreadable.status, 1);
        EXPECT_EQ(unreadable.err, "torvan-cli: Cannot read the MASTER file " + db + "/MASTER\n");
    }
}

// Every column starts at the same place on every row, however long the
// names; the header keeps the columns' titles above them.
TEST_F(Cli, ListColumnsLineUpWithLongNames) {
    const std::string db = NewDir("db");
    const std::string input = temp.File("prices.txt");
    WriteText(input, "20040102,1,2,0.5,1.5,100\n20040105,2,3,1,2.5,200\n");
    const std::string longest(45, 'N');
    const std::vector<std::pair<std::string, std::string>> securities = {
        {"A", "Short"},
        {"LONGERSYMBOL", "A name longer than sixteen"},
        {"Z", longest},
        {"Q", "Soci\xC3\xA9t\xC3\xA9 G\xC3\xA9n\xC3\xA9rale et cie, de Paris!"}};
    for (std::size_t k = 0; k < securities.size(); ++k) {
        std::vector<std::string> args = {
            "convert",       input,
            "--db",          db,
            "--symbol",      securities[k].first,
            "--name",        securities[k].second,
            "--date-format", "CCYYMMDD",
            "--columns",     "date=1,open=2,high=3,low=4,close=5,vol=6"};
        if (k == 0) {
            args.insert(args.end(), {"--new-master", "--emaster"});
        }
        ASSERT_EQ(Run(args).status, 0) << k;
    }
    const Result list = Run({"list", db});
    ASSERT_EQ(list.status, 0) << list.err;
    const std::vector<std::string> lines = Split(list.out, '\n');
    ASSERT_EQ(lines.size(), 5U) << list.out;
    EXPECT_EQ(lines[0], "File  Symbol            Name" + std::string(45 - 4 + 2, ' ') +
                            "Fields    First       Last        Records");
    for (std::size_t k = 0; k < securities.size(); ++k) {
        const std::string& line = lines[k + 1];
        const std::string& name = securities[k].second;
        // The accented letters are two bytes each and one column.
        const std::size_t shown = k == 3 ? name.size() - 4 : name.size();
        EXPECT_EQ(line, std::to_string(k + 1) + "     " + securities[k].first +
                            std::string(18 - securities[k].first.size(), ' ') + name +
                            std::string(45 - shown + 2, ' ') +
                            "DOHLCV    2004-01-02  2004-01-05  2")
            << line;
    }
}

TEST_F(Cli, VersionAndHelp) {
    const Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "torvan-cli 0.1.0\n");
    for (const std::string command : {"convert", "list", "dump"}) {
        const Result help = Run({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Usage: torvan-cli " + command), std::string::npos) << help.out;
    }
}

}  // namespace
}  // namespace torvan::test

namespace torvan::test {
namespace {

// A database made with --emaster grows past MASTER's 255 securities into
// XMASTER; list, dump and check read all of it back.
TEST_F(Cli, ThreeHundredSecuritiesWithEMasterAndXMaster) {
    const std::string db = NewDir("db");
    const std::string input = temp.File("prices.txt");
    WriteText(input, "20040102,1,2,0.5,1.5,100\n20040105,2,3,1,2.5,200\n");
    const std::vector<std::string> layout = {"--date-format", "CCYYMMDD", "--columns",
                                             "date=1,open=2,high=3,low=4,close=5,vol=6"};
    auto name = [](int k) { return "Security number " + std::to_string(k) + " with a long name"; };
    for (int k = 1; k <= 300; ++k) {
        std::vector<std::string> args = {
            "convert", input, "--db", db, "--symbol", "S" + std::to_string(k), "--name", name(k)};
        if (k == 1) {
            args.insert(args.end(), {"--new-master", "--emaster"});
        } else if (k == 256) {
            args.push_back("--xmaster");
        }
        args.insert(args.end(), layout.begin(), layout.end());
        const Result convert = Run(args);
        ASSERT_EQ(convert.status, 0) << k << ": " << convert.err;
        ASSERT_TRUE(convert.err.empty()) << k << ": " << convert.err;
        if (k == 256) {
            EXPECT_NE(convert.out.find("(F256.MWD, 2 price records)"), std::string::npos)
                << convert.out;
        }
    }
    EXPECT_EQ(ReadBytes(db + "/MASTER").size(), 53U * 256);
    EXPECT_EQ(ReadBytes(db + "/EMASTER").size(), 192U * 256);
    EXPECT_EQ(ReadBytes(db + "/XMASTER").size(), 150U * 46);

    const Result list = Run({"list", db});
    ASSERT_EQ(list.status, 0);
    const std::vector<std::string> lines = Split(list.out, '\n');
    ASSERT_EQ(lines.size(), 301U);
    for (int k : {1, 255, 256, 300}) {
        const std::string& line = lines[static_cast<std::size_t>(k)];
        EXPECT_EQ(line.rfind(std::to_string(k) + " ", 0), 0U) << line;
        EXPECT_NE(line.find(" S" + std::to_string(k) + " "), std::string::npos) << line;
        // The name column is as wide as the longest name, 36 characters.
        EXPECT_NE(line.find(name(k) + std::string(36 - name(k).size() + 2, ' ') +
                            "DOHLCV    2004-01-02  2004-01-05  2"),
                  std::string::npos)
            << line;
    }
    for (const std::string symbol : {"s1", "S255", "s256", "S300"}) {
        const Rows rows = Dump(db, symbol);
        ASSERT_EQ(rows.size(), 3U) << symbol;
        EXPECT_EQ(rows[2], (std::vector<std::string>{"2004-01-05", "2", "3", "1", "2.5", "200"}));
    }
    const Result check = Run({"check", db});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out, "");
}

TEST_F(Cli, CheckReportsEachFindingOnOneLine) {
    const std::string real = RealData("metastock");
    const Result equis = Run({"check", real + "/equis_b"});
    EXPECT_EQ(equis.status, 0);
    EXPECT_EQ(equis.out, "");
    const Result futures = Run({"check", real + "/futures_2yr_note"});
    EXPECT_EQ(futures.status, 1);
    const std::vector<std::string> lines = Split(futures.out, '\n');
    EXPECT_EQ(lines.size(), 127U + 1U + 128U + 293U);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "F2.DAT: missing (the price file of master entry 2 (TU2__1990Z))"),
              lines.end())
        << futures.out;
    EXPECT_EQ(Run({"check", temp.File("nowhere")}).status, 1);
    EXPECT_EQ(Run({"check"}).status, 2);
}

TEST_F(Cli, InspectProposesTheConvertOptionsAndShowsRowsAsStored) {
    const std::string input = CopyReal("investing_gold_futures_quoted.csv");
    const std::string before = ReadText(input);
    const Result result = Run({"inspect", input, "--rows", "2"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("--delimiter comma --date-format MM_DD_CCYY --columns "
                              "date=1,open=3,high=4,low=5,close=2,vol=6 --skip 1 --reverse --csv"),
              std::string::npos)
        << result.out;
    // Newest first: the oldest line is stored first, thousands and K read.
    EXPECT_NE(result.out.find("2023-08-07"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("104410"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("likely: no column is named Close"), std::string::npos);
    EXPECT_NE(result.out.find("newest day first"), std::string::npos);
    EXPECT_EQ(ReadText(input), before);  // inspecting changes nothing

    const std::string bad = NewDir("in") + "/old.csv";
    WriteText(bad, "Date,Close\n1950-01-03,16.66\n1950-01-04,16.85\n");
    const Result refused = Run({"inspect", bad});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("Cannot be converted: No column holds dates"), std::string::npos)
        << refused.out;
}

TEST_F(Cli, AutoConvertsAsTheProposedOptionsDo) {
    const std::string dbAuto = NewDir("auto");
    const std::string dbHand = NewDir("hand");
    const std::string a = CopyReal("nasdaq_vfiax_old_quoted.csv");
    const Result automatic =
        Run({"convert", a, "--db", dbAuto, "--symbol", "VFIAX", "--new-master", "--auto"});
    ASSERT_EQ(automatic.status, 0) << automatic.err;
    EXPECT_NE(automatic.out.find("First stored: Date 2010-09-09"), std::string::npos)
        << automatic.out;
    // An option given beats detection: the same file without volume.
    const std::string b = NewDir("second") + "/vfiax.csv";
    std::filesystem::copy_file(RealData("nasdaq_vfiax_old_quoted.csv"), b);
    const Result hand = Run({"convert", b, "--db", dbHand, "--symbol", "VFIAX", "--new-master",
                             "--auto", "--columns", "date=1,open=4,high=5,low=6,close=2"});
    ASSERT_EQ(hand.status, 0) << hand.err;
    // 2,223 dated lines and the header record; 6 and 5 fields of 4 bytes.
    EXPECT_EQ(ReadBytes(dbAuto + "/F1.DAT").size(), 2224U * 24U);
    EXPECT_EQ(ReadBytes(dbHand + "/F1.DAT").size(), 2224U * 20U);
}

// --json gives what the text gives, as numbers, ISO dates and UTF-8 text.
TEST_F(Cli, ListCheckAndInspectPrintJson) {
    using nlohmann::json;
    const std::string real = RealData("metastock");
    const Result list = Run({"list", "--json", real + "/futures_2yr_note"});
    ASSERT_EQ(list.status, 0) << list.err;
    const json listed = json::parse(list.out);
    const json& securities = listed.at("securities");
    ASSERT_EQ(securities.size(),
              Split(Run({"list", real + "/futures_2yr_note"}).out, '\n').size() - 1);
    const json& first = securities.at(0);
    EXPECT_EQ(first.at("symbol"), "TU2__1990U");
    EXPECT_EQ(first.at("fields"),
              json({"Date", "Open", "High", "Low", "Close", "Volume", "OpenInterest"}));
    EXPECT_EQ(first.at("firstDate"), "1990-06-22");
    EXPECT_EQ(first.at("lastDate"), "1990-09-19");
    EXPECT_EQ(first.at("records"), 62);
    EXPECT_EQ(securities.back().at("index"), "XMASTER");
    EXPECT_EQ(securities.back().at("priceFile").get<std::string>().substr(0, 1), "F");

    // The findings in the text's order, one line each.
    const Result checkText = Run({"check", real + "/futures_2yr_note"});
    const Result check = Run({"check", real + "/futures_2yr_note", "--json"});
    EXPECT_EQ(check.status, 1);
    const std::vector<std::string> lines = Split(checkText.out, '\n');
    const json findings = json::parse(check.out).at("findings");
    ASSERT_EQ(findings.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(findings[i].at("file").get<std::string>() + ": " +
                      findings[i].at("text").get<std::string>(),
                  lines[i]);
    }
    EXPECT_EQ(json::parse(Run({"check", "--json", real + "/equis_b"}).out).at("findings"),
              json::array());

    const std::string input = CopyReal("investing_gold_futures_quoted.csv");
    const Result inspect = Run({"inspect", input, "--rows", "2", "--json"});
    ASSERT_EQ(inspect.status, 0) << inspect.err;
    const json proposal = json::parse(inspect.out);
    EXPECT_NE(Run({"inspect", input}).out.find(proposal.at("command").get<std::string>()),
              std::string::npos);
    const json& settings = proposal.at("settings");
    EXPECT_EQ(settings.at("dateFormat"), "MM_DD_CCYY");
    EXPECT_EQ(settings.at("columns"),
              json({{"date", 1}, {"open", 3}, {"high", 4}, {"low", 5}, {"close", 2}, {"vol", 6}}));
    EXPECT_EQ(settings.at("skip"), 1);
    EXPECT_EQ(settings.at("reverse"), true);
    ASSERT_EQ(proposal.at("rows").size(), 2U);
    EXPECT_EQ(proposal.at("rows")[0].at("date"), "2023-08-07");
    EXPECT_TRUE(proposal.at("rows")[0].at("values").at("close").is_number());

    // A name in an 8-bit code page comes out as the characters of its bytes.
    const std::string db = NewDir("db");
    ASSERT_EQ(Run({"convert", TORVAN_SOURCE_DIR "/res/samples/ibm.txt", "--db", db, "--symbol",
                   "SG", "--name", "Soci\xE9t\xE9 G", "--new-master"})
                  .status,
              0);
    const Result latin = Run({"list", db, "--json"});
    ASSERT_EQ(latin.status, 0) << latin.err;
    EXPECT_EQ(json::parse(latin.out).at("securities")[0].at("name"), "Soci\u00e9t\u00e9 G");

    const Result none = Run({"list", "--json", temp.File("nowhere")});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
}

// A file of three tickers (each date under each, days in order per ticker).
struct TickerFile {
    std::string header;
    std::string text;                          // the whole file
    std::map<std::string, std::string> alone;  // by ticker: the header and its lines only
};

// perDay is a line with {T} for the ticker, {D} for the date and {P} for
// each number (up to five).
TickerFile MakeTickerFile(const std::string& header, const std::string& perDay) {
    TickerFile file{header, header + "\n", {}};
    for (int day = 3; day <= 9; ++day) {
        for (const std::string ticker : {"AAA", "BBB", "CCC"}) {
            std::string line = perDay;
            auto put = [&](const std::string& token, const std::string& value) {
                line.replace(line.find(token), token.size(), value);
            };
            put("{T}", ticker);
            put("{D}", "2023010" + std::to_string(day));
            // Open, high, low, close and volume in their order of size.
            for (const int k : {1, 3, 0, 2, 500}) {
                if (line.find("{P}") != std::string::npos) {
                    put("{P}", std::to_string(day * 10 + (ticker[0] - 'A') * 100 + k) + ".5");
                }
            }
            file.text += line + "\n";
            auto& alone = file.alone[ticker];
            alone = (alone.empty() ? header + "\n" : alone) + line + "\n";
        }
    }
    return file;
}

// The price file of symbol as list --json names it.
std::string PriceFileOf(const std::string& listJson, const std::string& symbol) {
    const nlohmann::json listed = nlohmann::json::parse(listJson);
    for (const auto& entry : listed.at("securities")) {
        if (entry.at("symbol") == symbol) {
            return entry.at("priceFile").get<std::string>() + ":" +
                   std::to_string(entry.at("records").get<int>());
        }
    }
    return "";
}

// Each ticker becomes its own security, with exactly the bytes its lines
// make alone; the MetaStock ASCII layout needs --auto only.
TEST_F(Cli, FileOfManyTickersMakesOneSecurityPerTicker) {
    const struct {
        const char* what;
        TickerFile file;
        std::vector<std::string> all;    // options for the whole file
        std::vector<std::string> alone;  // options for one ticker's lines
    } cases[] = {
        {"columns",
         MakeTickerFile("Symbol,Date,Open,High,Low,Close", "{T},{D},{P},{P},{P},{P}"),
         {"--skip", "1", "--date-format", "CCYYMMDD", "--columns",
          "ticker=1,date=2,open=3,high=4,low=5,close=6"},
         {"--skip", "1", "--date-format", "CCYYMMDD", "--columns",
          "date=2,open=3,high=4,low=5,close=6"}},
        {"metastock ascii",
         MakeTickerFile("<TICKER>,<PER>,<DTYYYYMMDD>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>",
                        "{T},D,{D},000000,{P},{P},{P},{P},{P}"),
         {"--auto"},
         {"--auto"}},
        {"time column",
         MakeTickerFile("Symbol,Date,Time,Close", "{T},{D},0930,{P}"),
         {"--skip", "1", "--date-format", "CCYYMMDD", "--columns", "ticker=1,date=2,time=3,close=4",
          "--interval", "5"},
         {"--skip", "1", "--date-format", "CCYYMMDD", "--columns", "date=2,time=3,close=4",
          "--interval", "5"}},
    };
    for (const auto& c : cases) {
        const std::string dir = NewDir(std::string("in ") + c.what);
        WriteText(dir + "/all.txt", c.file.text);
        const std::string db = NewDir(std::string("db ") + c.what);
        std::vector<std::string> args = {"convert", dir + "/all.txt", "--db", db, "--new-master"};
        args.insert(args.end(), c.all.begin(), c.all.end());
        const Result all = Run(args);
        ASSERT_EQ(all.status, 0) << c.what << all.err;
        EXPECT_NE(all.out.find("3 of 3 tickers added"), std::string::npos) << all.out;
        EXPECT_NE(all.out.find("BBB: added, 7 records, 2023-01-03 to 2023-01-09\n"),
                  std::string::npos)
            << all.out;
        EXPECT_EQ(all.err, "") << c.what;
        const std::string listed = Run({"list", "--json", db}).out;
        for (const auto& [ticker, lines] : c.file.alone) {
            WriteText(dir + "/" + ticker + ".txt", lines);
            const std::string one = NewDir(std::string("one ") + c.what + ticker);
            std::vector<std::string> alone = {
                "convert", dir + "/" + ticker + ".txt", "--db", one, "--new-master", "--symbol",
                ticker};
            alone.insert(alone.end(), c.alone.begin(), c.alone.end());
            ASSERT_EQ(Run(alone).status, 0) << c.what << ticker;
            const std::string file = PriceFileOf(listed, ticker);
            ASSERT_NE(file.find(":7"), std::string::npos) << c.what << ticker << listed;
            EXPECT_EQ(ReadBytes(db + "/" + file.substr(0, file.find(':'))),
                      ReadBytes(one + "/F1.DAT"))
                << c.what << ticker;
        }
    }
}

TEST_F(Cli, TickerColumnRefusals) {
    const TickerFile file = MakeTickerFile("Ticker,Date,Close", "{T},{D},{P}");
    const std::string input = temp.File("tickers.csv");
    const std::string columns = "ticker=1,date=2,close=3";
    const std::vector<std::string> layout = {"--skip", "1", "--date-format", "CCYYMMDD"};
    const struct {
        std::string text;
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {file.text,
         {"--columns", columns, "--symbol", "X"},
         2,
         "--symbol cannot be used with a ticker column (column 1)"},
        {file.text, {"--auto", "--symbol", "X"}, 2, "the file holds 3 tickers"},
        {file.text,
         {"--columns", columns, "--reverse"},
         2,
         "--reverse: A file with a ticker column cannot be reversed"},
        {file.text, {"--columns", "ticker=2,date=2,close=3"}, 2, "--columns: Duplicate columns"},
        {file.text, {"--columns", "ticker=21,date=2,close=3"}, 2, "from 1 to 20"},
        // A ticker that is no symbol fails alone; the others land.
        {file.text + "ABCDEFGHIJKLMNOPQ,20230110,1\nA\x01"
                     "B,20230110,1\n",
         {"--columns", columns},
         1,
         "The ticker \"A\\x01B\" cannot be a symbol"},
        {file.text + ",20230110,1\n",
         {"--columns", columns, "--csv"},
         0,
         "1 line has no ticker and was not converted. The first is line 23"},
    };
    for (const auto& c : cases) {
        WriteText(input, c.text);
        const std::string db = NewDir("db" + std::to_string(&c - cases));
        std::vector<std::string> args = {"convert", input, "--db", db, "--new-master"};
        args.insert(args.end(), layout.begin(), layout.end());
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result result = Run(args);
        EXPECT_EQ(result.status, c.status) << c.message << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        if (c.status == 2) {
            EXPECT_TRUE(std::filesystem::is_empty(db)) << c.message;
        } else {
            EXPECT_NE(result.out.find("AAA: added, 7 records"), std::string::npos) << result.out;
            EXPECT_NE(result.out.find("CCC: added, 7 records"), std::string::npos) << result.out;
        }
    }
    const Result inspect = Run({"inspect", input});
    EXPECT_NE(inspect.out.find("--columns date=2,close=3,ticker=1 --skip 1"), std::string::npos)
        << inspect.out;
    EXPECT_NE(inspect.out.find("Tickers in column 1: 3 (AAA, BBB, CCC)"), std::string::npos)
        << inspect.out;
    const auto json = nlohmann::json::parse(Run({"inspect", "--json", input}).out);
    EXPECT_EQ(json.at("tickers").at("count"), 3);
    EXPECT_EQ(json.at("settings").at("columns").at("ticker"), 1);
}

// The bash completion offers every option that a subcommand's --help lists:
// its function runs in bash, with bash-completion's helpers stubbed.
TEST_F(Cli, BashCompletionOffersEveryOption) {
    const std::string script = temp.File("complete.sh");
    WriteText(script,
              "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD;"
              " cur=${words[cword]}; prev=${words[cword-1]}; }\n"
              "_filedir() { :; }\n"
              "source " TORVAN_SOURCE_DIR
              "/pkg/torvan-cli.bash-completion\n"
              "COMP_WORDS=(torvan-cli \"$1\" --); COMP_CWORD=2; _torvan_cli\n"
              "printf '%s\\n' \"${COMPREPLY[@]}\" >\"$2\"\n");
    const std::regex option("--[a-z][a-z-]*");
    for (const std::string command : {"convert", "update", "inspect", "list", "dump", "check"}) {
        const std::string offered = temp.File("offered");
        ASSERT_EQ(
            std::system(("bash " + Quoted(script) + " " + command + " " + Quoted(offered)).c_str()),
            0);
        const std::vector<std::string> words = Split(ReadText(offered), '\n');
        for (const std::string& line : Split(Run({command, "--help"}).out, '\n')) {
            if (line.rfind("  -", 0) != 0) {
                continue;  // descriptions mention options too
            }
            const std::string names = line.substr(0, line.find("  ", 2));
            for (auto it = std::sregex_iterator(names.begin(), names.end(), option);
                 it != std::sregex_iterator(); ++it) {
                EXPECT_NE(std::find(words.begin(), words.end(), it->str()), words.end())
                    << command << " " << it->str();
            }
        }
    }
}

}  // namespace
}  // namespace torvan::test
