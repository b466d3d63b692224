// SPDX-License-Identifier: GPL-3.0-or-later
// Runs of many files, or of the tickers of one file, through the core's
// runner: each file ends on its own, a cancel keeps what is done, and a
// ticker file on one batch stores what one run per ticker stored.
#include "settings/BatchRun.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "database/DatabaseReader.h"
#include "database/Dates.h"
#include "platform/MessageCatalogue.h"

namespace torvan::test {
namespace {

using Kind = BatchOutcome::Kind;

// Date and close, comma-separated, CCYYMMDD; with ticker, the ticker first.
ImportSettings Reading(const std::string& db, bool ticker = false) {
    ImportSettings s;
    s.pathOut = db;
    s.dateFormat = "CCYYMMDD";
    s.fieldOn = {1, 0, 0, 0, 1, 0, 0};
    s.fieldCol = {ticker ? 2 : 1, 2, 3, 4, ticker ? 3 : 2, 6, 7};
    s.tickerCol = ticker ? 1 : 0;
    return s;
}

BatchFile File(const std::string& input, const ImportSettings& settings) {
    BatchFile file;
    file.input = input;
    file.settings = settings;
    return file;
}

// Seeds db with OLD, two days.
void Seed(const TempDir& db, const TempDir& in) {
    WriteText(in.File("seed.txt"), "20240102,1\n20240103,2\n");
    ImportSettings s = Reading(db.Path());
    s.newMaster = 1;
    s.symbol = "OLD";
    const auto outcomes = RunBatch({File(in.File("seed.txt"), s)}, {});
    ASSERT_EQ(outcomes.size(), 1U);
    ASSERT_EQ(outcomes[0].kind, Kind::kAdded) << outcomes[0].reason;
}

TEST(BatchRun, EachFileIsUpdatedAddedOrFailsAndCancelKeepsWhatIsDone) {
    const struct {
        const char* what;
        bool update;
        std::vector<std::pair<const char*, const char*>> files;  // name, content (null: none)
        std::size_t cancelAfter;                                 // 0: never
        std::vector<Kind> kinds;
        std::vector<int> records;
        std::size_t listed;
    } cases[] = {
        {"update",
         true,
         {{"old.txt", "20240102,1\n20240103,2\n20240104,3\n"},
          {"new.txt", "20240102,5\n20240103,6\n"},
          {"gone.txt", nullptr}},
         0,
         {Kind::kUpdated, Kind::kAdded, Kind::kFailed},
         {1, 2, 0},
         2},
        {"convert, cancelled after the first",
         false,
         {{"x.txt", "20240102,1\n"}, {"y.txt", "20240102,1\n"}, {"z.txt", "20240102,1\n"}},
         1,
         {Kind::kAdded, Kind::kFailed, Kind::kFailed},
         {1, 0, 0},
         2},
    };
    for (const auto& c : cases) {
        TempDir db;
        TempDir in;
        Seed(db, in);
        std::vector<std::string> inputs;
        for (const auto& [name, content] : c.files) {
            inputs.push_back(in.File(name));
            if (content != nullptr) {
                WriteText(inputs.back(), content);
            }
        }
        std::atomic<bool> cancel{false};
        BatchOptions options;
        options.update = c.update;
        options.cancel = &cancel;
        options.commitEvery = std::chrono::milliseconds(60000);
        std::vector<std::size_t> told;
        options.progress = [&](std::size_t done, std::size_t total) {
            EXPECT_EQ(total, c.files.size()) << c.what;
            told.push_back(done);
            cancel = done == c.cancelAfter;
        };
        const auto outcomes = RunBatch(FilesNamedBySymbol(Reading(db.Path()), inputs), options);
        ASSERT_EQ(outcomes.size(), c.kinds.size()) << c.what;
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            EXPECT_EQ(outcomes[i].kind, c.kinds[i]) << c.what << i << outcomes[i].reason;
            EXPECT_EQ(outcomes[i].result.job.recordsWritten, c.records[i]) << c.what << i;
            EXPECT_EQ(outcomes[i].Succeeded(), outcomes[i].reason.empty()) << c.what << i;
        }
        if (c.cancelAfter != 0) {
            EXPECT_EQ(told, std::vector<std::size_t>{c.cancelAfter}) << c.what;
            EXPECT_EQ(outcomes.back().reason, OneLine(MessageText(MessageId::kBatchCancelled)));
        }
        std::vector<SecurityEntry> listed;
        ASSERT_TRUE(ListSecurities(db.Path(), listed));
        EXPECT_EQ(listed.size(), c.listed) << c.what;
        EXPECT_EQ(StoredDateText(MbfToFloat(listed[0].record.lastDate)),
                  c.update ? "2024-01-04" : "2024-01-03")
            << c.what;
    }
}

// Three tickers, their days in order.
constexpr const char* kTickers =
    "AAA,20240102,1\nCCC,20240102,7\nAAA,20240103,2\nCCC,20240103,8\nAAA,20240104,3\n"
    "DDD,20240104,9\n";

TEST(BatchRun, ATickerFileOnOneBatchStoresWhatOneRunPerTickerDid) {
    TempDir in;
    WriteText(in.File("t.csv"), kTickers);
    TempDir perTicker;
    ImportSettings s = Reading(perTicker.Path(), true);
    s.newMaster = 1;
    // One conversion after another, a new MASTER by the first.
    const TickerPlan plan = PlanTickerJobs(s, in.File("t.csv"));
    ASSERT_EQ(plan.jobs.size(), 3U);
    for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
        ImportSettings one = plan.jobs[i].settings;
        one.newMaster = i == 0 ? 1 : 0;
        int dateCode = 0;
        ASSERT_FALSE(CheckForRun(one, in.File("t.csv"), dateCode));
        CConverter job;
        one.ApplyTo(job, in.File("t.csv"), dateCode);
        ASSERT_EQ(job.Run(), 0) << i;
    }
    for (const auto every : {std::chrono::milliseconds(0), std::chrono::milliseconds(60000)}) {
        TempDir db;
        s.pathOut = db.Path();
        BatchOptions options;
        options.commitEvery = every;
        const auto files =
            TickerFiles(PlanTickerJobs(s, in.File("t.csv")), File(in.File("t.csv"), s));
        // The plan read the input; the jobs take their lines from it.
        std::size_t reads = 0;
        FaultHookScope count([&](FileOp op, const std::string& path) {
            reads += op == FileOp::Read && path == in.File("t.csv") ? 1 : 0;
            return false;
        });
        const auto outcomes = RunBatch(files, options);
        count.Remove();
        EXPECT_EQ(reads, 0U);
        ASSERT_EQ(outcomes.size(), 3U);
        EXPECT_EQ(outcomes[0].ticker, "AAA");
        EXPECT_EQ(outcomes[2].result.job.recordsWritten, 1);
        EXPECT_EQ(TakeSnapshot(db.Path()), TakeSnapshot(perTicker.Path())) << every.count();
    }
    // Updated with new days of two tickers and a new one, and lines of
    // tickers that would be one symbol.
    WriteText(in.File("u.csv"),
              "AAA,20240104,3\nAAA,20240105,4\nDDD,20240105,9\nEEE,20240105,1\nb,20240105,1\n"
              "B,20240105,1\n");
    s.pathOut = perTicker.Path();
    BatchOptions update;
    update.update = true;
    const TickerPlan again = PlanTickerJobs(s, in.File("u.csv"));
    const auto outcomes = RunBatch(TickerFiles(again, File(in.File("u.csv"), s)), update);
    ASSERT_EQ(outcomes.size(), 5U);
    const Kind kinds[] = {Kind::kUpdated, Kind::kUpdated, Kind::kAdded, Kind::kFailed,
                          Kind::kFailed};
    const int records[] = {1, 1, 1, 0, 0};
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        EXPECT_EQ(outcomes[i].kind, kinds[i]) << i << outcomes[i].reason;
        EXPECT_EQ(outcomes[i].result.job.recordsWritten, records[i]) << i;
    }
    EXPECT_EQ(outcomes[1].result.skipped, 0);
    EXPECT_EQ(outcomes[0].result.skipped, 1);
    for (std::size_t i : {3U, 4U}) {
        EXPECT_EQ(outcomes[i].reason,
                  OneLine(MessageText(MessageId::kTickersDifferInCase, {"b", "B", "B"})));
    }
}

}  // namespace
}  // namespace torvan::test
