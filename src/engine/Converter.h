// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/DataFile.h"
#include "database/Master.h"
#include "database/Mbf.h"
#include "engine/BatchScope.h"
#include "engine/JobResult.h"
#include "engine/PriceLine.h"
#include "engine/ProfileWriter.h"
#include "platform/BackgroundTask.h"
#include "platform/FileSystem.h"
#include "platform/FileTransaction.h"
#include "platform/MessageCatalogue.h"

namespace torvan {

class TextReader;
enum class Reversal;

class DirectoryLock;
class FieldColumns;

// Field slots of every seven-element array of a job.
enum FieldSlot : int {
    kSlotDate = 0,
    kSlotOpen = 1,
    kSlotHigh = 2,
    kSlotLow = 3,
    kSlotClose = 4,
    kSlotVolume = 5,
    kSlotOpenInterest = 6,
};

inline constexpr int kMaxColumns = 20;
// The most price records a data file can count in its 16-bit header.
inline constexpr int kMaxPriceRecords = 65534;
// Longest absolute output directory: "/MASTER" must still fit in 300.
inline constexpr std::size_t kMaxOutputDirectory = 293;

// One conversion: which text file to read, how its lines are laid out, the
// database directory to write to and the new security's symbol and name.
// The creator fills every field, calls Run once and discards the job.
class CConverter {
  public:
    CConverter() = default;
    ~CConverter() = default;
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Work files from this size on are flushed on a thread of their own.
    static constexpr std::uint64_t kBackgroundSyncBytes = std::uint64_t{1} << 20;

    // 0 when the whole conversion succeeded, non-zero otherwise. Stages that
    // have something to say show it through the job's sink first; Result()
    // tells the caller what was done.
    int Run();
    const JobResult& Result() const { return m_result; }

    // Shows catalogue message id through the job's sink, keeps it in the
    // result and returns the button pressed.
    int Say(MessageId id, std::vector<std::string> params = {});
    // Says an error and returns 1, the failure status of the stage that
    // reports it.
    int Fail(MessageId id, std::vector<std::string> params = {});

    // Stages, in the order Run calls them. Each returns 0 to go on.
    // Nothing a run writes is in place before Commit: AddSecurity, the
    // reversal and ConvertRecords write work files, and Commit puts them in
    // place together (the security's files, MASTER, EMASTER or XMASTER, the
    // reversed input and its backup, MASTER.BAK). A run that fails anywhere,
    // or is killed, leaves the database and the input as they were.
    int CheckOutputDirectory();
    int CheckColumnCount();
    int CheckDuplicateSymbol();
    // Only with m_bReverse: refuses an input that cannot be rewritten with
    // its permissions and owner kept, before anything is written.
    int CheckInputReplaceable();
    int AddSecurity();
    int ReverseInput();
    int ConvertRecords();
    // ConvertRecords for CSV reading, a footer, UTF-16 text or a ticker
    // column: every line read through ReadPriceLine with Layout().
    int ConvertLines();
    // How this job reads a line.
    LineLayout Layout() const;
    int Commit();
    // Writes "PathIn", "PathOut", "Symbol" and "Name" of a run that passed
    // its checks to the profile, if the job has one.
    void RecordInProfile();

    // File work of ConvertRecords. AppendPriceRecord gathers records and
    // writes them a block at a time; CloseDataFile writes the rest.
    int AppendPriceRecord(int fileNumber);
    int SetMasterDates(const Bytes4& firstDate, const Bytes4& lastDate, int fileNumber);
    int SetRecordCount(std::uint16_t priceRecords, int fileNumber);

    // Settings, filled by the creator.
    int m_bMonthNames = 0;
    std::string m_strInputPath;
    int m_bExistingMaster = 0;
    FieldFlags m_bFieldOn{};
    std::array<int, kFieldSlots> m_nFieldCol{};
    std::string m_szPathOut;
    std::string m_szSymbol;
    std::string m_szName;
    std::string m_szDelimiter = ",";
    int m_nDateFormat = 1;
    int m_bReverse = 0;
    int m_bSkipRows = 0;
    int m_nSkipRows = 0;
    // Beyond the basic format: a full MASTER continues in an XMASTER,
    // which is made when there is none yet (with one already there, that
    // happens anyway) ...
    int m_bXMaster = 0;
    // ... and a new MASTER gets an EMASTER beside it. The name may then be
    // longer than MASTER's 16 characters: EMASTER and XMASTER take it whole.
    int m_bEMaster = 0;
    // Reading options beyond the basic ones (see LineLayout): CSV reading,
    // a decimal comma in it, and trailing non-price lines to leave out.
    int m_bCsv = 0;
    int m_bDecimalComma = 0;
    int m_nFooterRows = 0;
    // A file that holds many securities: with a ticker column (0-based, -1
    // for none) the job reads only the lines whose ticker is m_szTicker and
    // passes over the others' lines.
    int m_nTickerCol = -1;
    std::string m_szTicker;
    // Intraday bars: the time's column (0-based), or the time after the date
    // in the date column, makes a security of periodicity 'I' whose records
    // hold the time. The bar interval is m_nInterval minutes, or the most
    // common spacing of the bars when it is 0. With m_bDaily the lines of a
    // day make one daily bar instead.
    int m_nTimeCol = -1;
    int m_bTimeInDate = 0;
    int m_nInterval = 0;
    int m_bDaily = 0;
    bool Intraday() const { return (m_nTimeCol >= 0 || m_bTimeInDate != 0) && m_bDaily == 0; }

    // Where a run that passed its checks records what it did; none when null.
    IProfileWriter* m_pProfile = nullptr;
    // Where the job's messages and questions go; when null they are only
    // kept in the result and answered with the default button.
    IMessageSink* m_pSink = nullptr;
    // The batch the job runs in, which holds the folder's lock, listing,
    // transaction and indexes; none for a job of its own.
    BatchScope* m_pBatch = nullptr;
    // Hands the indexes a job in a batch left to the batch (ConvertJob.cpp).
    void KeepIndexes(FolderIndexes& indexes) const;
    // Takes the database directory's lock, when the directory exists, and
    // clears away what an interrupted conversion left there.
    int LockDatabase(DirectoryLock& lock);

    // Set by the stages.
    std::string m_szMasterPath;
    int m_nFieldCount = 0;
    std::array<Bytes4, kFieldSlots> m_fValue{};
    long m_nBarTime = -1;  // the time of the record in m_fValue, HHMMSS
    // The file number AddSecurity gave the new security, and whether it went
    // into XMASTER (its price file is then F<n>.MWD).
    int m_nFileNumber = 0;
    bool m_bInXMaster = false;

    // The output directory as a path to open files in: the root directory
    // is kept as "" in m_szPathOut (as a drive root loses its separator).
    std::string DatabaseDirectory() const { return m_szPathOut.empty() ? "/" : m_szPathOut; }

  private:
    int RunStages();
    // Has transaction take the input's lock, so that no other run rewrites
    // it meanwhile; the failure of the stage when it cannot.
    int GuardInput(FileTransaction& transaction);

    // The steps of AddSecurity, each 0 to go on or the stage's failure.
    // Appends MASTER's records, whole ones only, to content (its header).
    int ReadMasterRecords(std::vector<std::uint8_t>& content);
    // The lowest file number that neither MASTER nor XMASTER uses; 0 when
    // MASTER is full.
    int FreeMasterFileNumber(const std::vector<std::uint8_t>& master) const;
    // Adds the new security to master as fileNumber, and to EMASTER.
    int AddMasterEntry(std::vector<std::uint8_t>& master, int fileNumber);
    // Plans the indexes' replacement and writes the run's journal.
    int PlanIndexesAndTrack(FileTransaction& transaction, const FileStamp& masterSeen);
    // Writes the security's data and description work files.
    int WriteSecurityWorkFiles(FileTransaction& transaction, const std::string& dataWork,
                               const std::string& descriptionWork);

    // The steps of ReverseInput, each 0 to go on or the stage's failure.
    // Copies the UTF-16 input at source to the work file reversed as UTF-8.
    int DecodeUtf16Input(FileTransaction& transaction, const std::string& source,
                         const std::string& reversed);
    // Writes the lines of reversed, last first, to the work file work with
    // the permissions of source.
    int WriteReversedLines(const std::string& source, const std::string& reversed,
                           const std::string& work, bool utf16);
    // Puts the reversed input in place when the stage runs alone.
    int CommitReversedInput(FileTransaction& own);
    // Tells why a reversal failed: reading the input, a line too long, or
    // writing the work file written.
    int ReversalFailed(Reversal result, const std::string& written);

    // Writes the records AppendPriceRecord gathered; false on an error.
    bool WritePendingRecords();
    // Writes the gathered records and closes the data file (no sync: the
    // header update syncs it); false when anything failed.
    bool CloseDataFile();
    // Closes the data file without writing what is still gathered, as a
    // run that keeps nothing does.
    void DropDataFile();

    // Lines left out for want of a date or of a price, and lines stored
    // with missing columns, each with the number of the first.
    struct LineCounts {
        long undated = 0;
        long firstUndated = 0;
        long unpriced = 0;
        long firstUnpriced = 0;
        long shortLines = 0;
        long firstShort = 0;
        long disordered = 0;
        long firstDisordered = 0;
        void Undated(long line) { firstUndated = undated++ == 0 ? line : firstUndated; }
        void Unpriced(long line) { firstUnpriced = unpriced++ == 0 ? line : firstUnpriced; }
        void Short(long line) { firstShort = shortLines++ == 0 ? line : firstShort; }
        void Disordered(long line) { firstDisordered = disordered++ == 0 ? line : firstDisordered; }
    };
    // Tells the user, once each, of the lines left out for want of a date or
    // of a price and of the lines stored with missing columns, and keeps the
    // counts in the result. Counts of 0 say nothing.
    void ReportLineCounts(const LineCounts& counts);
    // What a record conversion has found so far; ConvertRecords and
    // ConvertLines read lines their own way and share the rest through it.
    struct ConvertTally {
        int stop = 0;
        int dateFormatError = 0;
        int failed = 0;
        bool checked = false;
        int lineCount = 0;
        LineCounts counts;
        Bytes4 firstDate{};
        Bytes4 lastDate{};
        // The date and time (HHMMSS, -1 for daily data) stored last, which
        // the next record must come after; the first time stored.
        float lastDay = 0.0F;
        long lastTime = -1;
        long firstTime = -1;
        // Intraday: how often each spacing in minutes between two bars of
        // one day was met.
        std::map<long, long> spacings;
    };
    // The stage's checks and files: the security was added, the field
    // columns are in range, the input opened, the data file is
    // open. Non-zero when the stage cannot start.
    int BeginConvert(TextReader& input);
    // Tells why the input could not be read (opened, read to its end); 1.
    int InputFailed(const TextReader& input);
    // True, after telling why, when a date column is too long to read on.
    bool DateTooLong(ConvertTally& tally, long lineNumber, std::size_t length);
    // Judges the date format by the first line that has a date column;
    // false when the format does not fit and reading stops.
    bool CheckDateFormat(ConvertTally& tally, bool nonDigit, bool excused);
    // Appends the record in m_fValue; false when reading stops.
    bool StoreRecord(ConvertTally& tally, long lineNumber, bool lacksColumn, int fileNumber);
    // Counts the record in m_fValue and m_nBarTime when it does not come
    // after the one stored before it; notes the spacing of bars.
    void NoteOrder(ConvertTally& tally, long lineNumber);
    // Stores a line read by ReadPriceLine; false when reading stops.
    bool StoreRead(ConvertTally& tally, long lineNumber, const PriceLine& read);
    // Sets the interval and first and last times of an intraday security in
    // its indexes; the stage's failure when the interval is unknown.
    int SetIntraday(const ConvertTally& tally, int fileNumber);
    // Tells that the line lineNumber would be one record too many.
    void TooManyRecords(ConvertTally& tally, long lineNumber);

    // Converts the line lineNumber, read into fields, the classic way;
    // false when reading stops.
    bool StoreLine(ConvertTally& tally, long lineNumber, const FieldColumns& fields);
    // Closes the data file, reports, and sets the dates and the record
    // count of a run that kept its records. The stage's result.
    int FinishConvert(ConvertTally& tally, const TextReader& input, int fileNumber);

    // The work on EMASTER and XMASTER (IndexFiles.cpp).
    // Reads EMASTER and XMASTER when the directory has them (once per run).
    int ReadSideIndexes();
    // True when symbol is an EMASTER or XMASTER entry's, ignoring case.
    bool SideIndexesHold(const std::string& symbol) const;
    // Refuses a symbol that EMASTER or XMASTER could not hold.
    int CheckIndexSymbol();
    // Sets content to the new EMASTER when there is one to keep in step with
    // the new MASTER entry record (masterBefore: MASTER before the addition).
    // An EMASTER that lags behind MASTER gets the entries it lacks; one that
    // does not match it is left alone. Non-zero when the run must stop.
    int PrepareEMaster(const std::vector<std::uint8_t>& masterBefore, const MasterRecord& record,
                       std::uint8_t highestFileNumber, std::optional<std::string>& content);
    // AddSecurity's way when MASTER is full: the entry in XMASTER with the
    // next free number from 256 up (XMASTER made when asked for), or a
    // refusal. masterBefore: MASTER as read, whose numbers are not given out.
    int PrepareXMasterEntry(const std::vector<std::uint8_t>& masterBefore, int& fileNumber);
    // SetMasterDates' part for EMASTER or XMASTER.
    void SetSideIndexDates(float first, float last, int fileNumber);

    SideIndex m_emaster;
    SideIndex m_xmaster;
    bool m_bSideRead = false;

    // The file ConvertRecords reads: the input, or its reversed work file.
    const std::string& ReadPath() const {
        return m_strReadPath.empty() ? m_strInputPath : m_strReadPath;
    }

    JobResult m_result;
    // Set once AddSecurity has written anything, so a failure after it is
    // told apart from a refusal.
    bool m_bWritten = false;
    // The data file ConvertRecords appends to, open for the whole stage: the
    // work file that Commit puts in place of F<n>.DAT.
    File m_dataFile;
    std::string m_strDataPath;
    std::string m_strReadPath;
    // A large work file that is complete goes to disk on another thread
    // while the run goes on; Commit waits for it (WorkFilesOnDisk). A small
    // one, or any while faults are injected inline, goes at once: false
    // then when it failed. Measured: the reversed input of 65,534 lines
    // (2.8 MB) commits about 20 ms sooner on a busy 2-core machine, one of
    // 6,553 lines gains nothing.
    bool SyncInBackground(const std::string& path, std::uint64_t bytes);
    bool WorkFilesOnDisk();
    BackgroundTask m_workSync;
    std::string m_syncingPath;
    bool m_bSynced = true;
    std::string m_syncFailedPath;
    int m_syncError = 0;  // the errno of a failed background sync
    // Records gathered for the data file and not yet written: a block of
    // kRecordBlock bytes, filled up to m_recordBytes.
    std::string m_records;
    std::size_t m_recordBytes = 0;
    // The slots of m_fValue that a record holds, in order.
    std::array<std::size_t, kFieldSlots> m_recordSlots{};
    int m_nRecordSlots = 0;
    // What the run changes, put in place by Commit; none before AddSecurity.
    std::unique_ptr<FileTransaction> m_transaction;
    // MASTER as Commit writes it: with the new entry and, once ConvertRecords
    // has set them, its first and last dates.
    std::vector<std::uint8_t> m_masterContent;
    // ... and with the dates AddSecurity gave the entry, for MASTER.BAK.
    std::vector<std::uint8_t> m_masterAdded;
};

}  // namespace torvan
