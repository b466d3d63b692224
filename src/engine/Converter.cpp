// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Converter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "database/DataFile.h"
#include "database/Dates.h"
#include "database/EMaster.h"
#include "database/Master.h"
#include "database/XMaster.h"
#include "platform/Clock.h"
#include "platform/DirectoryLock.h"
#include "platform/PathLimits.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// Writes a work file whole and flushed to disk; false when it could not be.
bool WriteWorkFile(const std::string& path, const void* data, std::size_t size) {
    File out;
    bool ok = out.Open(path, File::Mode::Write) && out.Write(data, size) && out.Flush(true);
    ok = out.Close() && ok;
    if (!ok) {
        RemoveFile(path);
    }
    return ok;
}

// Today as a stored date, as it is written in the "MM/DD/YY" layout.
Bytes4 TodayStored() {
    const LocalDate today = Today();
    char todayText[32];
    std::snprintf(todayText, sizeof todayText, "%02d/%02d/%02d", today.month % 100, today.day % 100,
                  today.year % 100);
    return DayNumberToStoredDate(ParseDateText(todayText, kMM_DD_YY));
}

std::string Truncated(const std::string& text, std::size_t limit) {
    std::string result = text.substr(0, text.find('\0'));
    if (result.size() > limit) {
        result.resize(limit);
    }
    return result;
}

// A failure to create, write or replace a file is told by the system's
// reason when that is a refusal or a full disk: "is the disk full?" is no
// answer for a folder the user may not write to.
MessageId ForWriteError(MessageId id, int error) {
    bool asksDiskFull = false;
    switch (id) {
        case MessageId::kCannotWriteJournal:
        case MessageId::kCannotWriteTemporaryFile:
        case MessageId::kCannotWriteDataFile:
            asksDiskFull = true;
            break;
        case MessageId::kCannotCreateFile:
        case MessageId::kCannotReplaceFile:
        case MessageId::kCannotOpenDataFile:
        case MessageId::kCannotCreateTemporaryFile:
        case MessageId::kCannotKeepInputPermissions:
        case MessageId::kCannotBackUpInputFile:
        case MessageId::kCannotReplaceInputFile:
            break;
        default:
            return id;
    }
    switch (WriteTroubleOf(error)) {
        case WriteTrouble::kPermission:
            return MessageId::kWritePermissionDenied;
        case WriteTrouble::kReadOnly:
            return MessageId::kReadOnlyFileSystem;
        case WriteTrouble::kDiskFull:
            return asksDiskFull ? id : MessageId::kDiskFull;
        case WriteTrouble::kOther:
            break;
    }
    return id;
}

}  // namespace

std::pair<std::string, std::string> SecurityFileTargets(const std::string& directory,
                                                        int fileNumber, bool inXMaster) {
    const std::string dataName = "F" + std::to_string(fileNumber) + (inXMaster ? ".MWD" : ".DAT");
    const auto existingData = FindFileNoCase(directory, dataName);
    return {existingData ? *existingData : JoinPath(directory, dataName),
            ExistingDescriptionFilePath(directory, fileNumber)};
}

int CConverter::Say(MessageId id, std::vector<std::string> params) {
    Message message = MakeMessage(id, std::move(params));
    const int answer = m_pSink != nullptr ? m_pSink->Show(message) : DefaultAnswer(message.type);
    m_result.messages.push_back(std::move(message));
    return answer;
}

int CConverter::Fail(MessageId id, std::vector<std::string> params) {
    Say(ForWriteError(id, LastFileError()), std::move(params));
    return 1;
}

int CConverter::Run() {
    m_result = JobResult{};
    m_bWritten = false;
    WorkFilesOnDisk();
    m_bSynced = true;
    m_syncFailedPath.clear();
    m_syncError = 0;
    // A failure of an earlier run must not give this one's its reason.
    SetLastFileError(0);
    m_bSideRead = false;
    m_bInXMaster = false;
    m_emaster = SideIndex{};
    m_xmaster = SideIndex{};
    const int status = RunStages();
    m_result.databaseDirectory = DatabaseDirectory();
    if (status != 0) {
        m_result.outcome = m_bWritten ? Outcome::kFailed : Outcome::kRefused;
        m_result.fileNumber = 0;
    } else {
        m_result.fileNumber = m_nFileNumber;
        const bool warned = m_result.linesWithoutDate > 0 || m_result.linesWithoutPrice > 0 ||
                            m_result.linesMissingColumns > 0 || m_result.linesOutOfOrder > 0;
        m_result.outcome = warned ? Outcome::kConvertedWithWarnings : Outcome::kConverted;
    }
    return status;
}

int CConverter::LockDatabase(DirectoryLock& lock) {
    if (!IsDirectory(m_szPathOut)) {
        return 0;  // CheckOutputDirectory tells
    }
    // Never unlocked: two runs at once would both add to the same MASTER.
    const std::string lockPath = DirectoryLock::PathIn(m_szPathOut);
    switch (lock.TryLock(m_szPathOut)) {
        case DirectoryLock::Result::Locked:
            break;
        case DirectoryLock::Result::Busy:
            return Fail(MessageId::kDatabaseBusy, {m_szPathOut});
        case DirectoryLock::Result::NotAFile:
            return Fail(MessageId::kLockFileNotAFile, {lockPath});
        case DirectoryLock::Result::Unavailable:
            return Fail(MessageId::kCannotLockDatabase, {lockPath, std::strerror(lock.Error())});
    }
    // What a conversion killed half way left behind is finished or removed
    // first.
    std::string failed;
    FileTransaction::Stuck why = FileTransaction::Stuck::kNone;
    if (FileTransaction::Recover(m_szPathOut, failed, why)) {
        return 0;
    }
    switch (why) {
        case FileTransaction::Stuck::kInUse:
            return Fail(MessageId::kInterruptedConversionInputBusy, {failed});
        case FileTransaction::Stuck::kOutOfReach:
            return Fail(MessageId::kInterruptedConversionOutOfReach, {failed});
        case FileTransaction::Stuck::kNone:
        case FileTransaction::Stuck::kFailed:
        case FileTransaction::Stuck::kForeign:
            break;
    }
    return Fail(MessageId::kInterruptedConversionLeftovers, {failed});
}

int CConverter::GuardInput(FileTransaction& transaction) {
    // Beside the file that is rewritten, whatever link led to it: two runs
    // on one input, into two databases, would write the same work files.
    // Refused rather than waited for: a run holds its database's lock by
    // now, and two runs waiting for each other's would never end.
    const std::string real = ResolvedPath(m_strInputPath);
    const std::string lockPath = real + FileTransaction::kLockSuffix;
    switch (transaction.Guard(lockPath)) {
        case LockFile::Result::kLocked:
            return 0;
        case LockFile::Result::kBusy:
            return Fail(MessageId::kInputBusy, {real});
        case LockFile::Result::kNotAFile:
            return Fail(MessageId::kInputLockNotAFile, {lockPath});
        case LockFile::Result::kUnavailable:
            break;
    }
    if (transaction.LastError() == FileTransaction::Error::kJournal) {
        return Fail(MessageId::kCannotWriteJournal, {transaction.FailedPath()});
    }
    if (transaction.LockError() == ENOENT) {
        return Fail(MessageId::kCannotOpenInputFile, {m_strInputPath});
    }
    return Fail(MessageId::kCannotLockInput, {lockPath, std::strerror(transaction.LockError())});
}

int CConverter::RunStages() {
    // The symbol is a fixed 16-character field in MASTER; the name is cut
    // to 16 there too, but EMASTER and XMASTER take up to 45 characters.
    m_szSymbol = Truncated(m_szSymbol, 16);
    m_szName = Truncated(m_szName, kMaxLongName);

    // Two conversions into one directory would both read MASTER with N
    // entries and both write N+1: one security would be lost.
    // A batch holds both for all its jobs.
    DirectoryLock lock;
    if (const int status = m_pBatch ? 0 : LockDatabase(lock); status != 0) {
        return status;
    }
    // Under the lock: no other conversion adds names meanwhile.
    std::optional<DirectoryListingScope> listing;
    if (lock.Held()) {
        listing.emplace(m_szPathOut);
    }

    int status = CheckOutputDirectory();
    if (status == 0) {
        status = CheckColumnCount();
    }
    if (status == 0) {
        status = CheckDuplicateSymbol();
    }
    if (status == 0 && m_bReverse == 1) {
        status = CheckInputReplaceable();
    }
    if (status == 0) {
        status = AddSecurity();
    }
    if (status != 0) {
        return status;
    }
    RecordInProfile();
    if (m_bReverse == 1) {
        status = ReverseInput();
    }
    if (status == 0) {
        status = ConvertRecords();
    }
    if (status == 0) {
        status = Commit();
    }
    // The writers are done before their work files can go.
    DropDataFile();
    WorkFilesOnDisk();
    if (m_transaction) {
        m_transaction->Abort();
        m_transaction.reset();
    }
    m_strReadPath.clear();
    return status;
}

void CConverter::RecordInProfile() {
    if (m_pProfile == nullptr) {
        return;
    }
    // The root is kept as "" in m_szPathOut, which would read back as "no path".
    m_pProfile->WriteEntries({{"Import", "PathIn", m_strInputPath},
                              {"Import", "PathOut", DatabaseDirectory()},
                              {"Import", "Symbol", m_szSymbol},
                              {"Import", "Name", m_szName}});
}

int CConverter::CheckOutputDirectory() {
    if (m_szPathOut.empty() || !IsDirectory(m_szPathOut)) {
        return Fail(MessageId::kPathDoesNotExist, {m_szPathOut});
    }
    std::string absolute = AbsoluteDirectory(m_szPathOut);
    if (absolute.empty()) {
        return Fail(MessageId::kPathDoesNotExist, {m_szPathOut});
    }
    // The root loses its separator too, as a drive root does: "/" + "MASTER".
    while (!absolute.empty() && absolute.back() == '/') {
        absolute.pop_back();
    }
    // Where the system cannot list a folder that long, its files could not
    // be told from another folder's.
    const std::size_t limit = std::min(kMaxOutputDirectory, LongestListableDirectory());
    if (absolute.size() > limit) {
        return Fail(MessageId::kOutputPathTooLong,
                    {std::to_string(absolute.size()), std::to_string(limit), absolute});
    }
    m_szPathOut = absolute;
    const std::string directory = DatabaseDirectory();
    auto existing = FindFileNoCase(directory, "MASTER");
    m_szMasterPath = existing ? *existing : JoinPath(m_szPathOut, "MASTER");

    if (m_bExistingMaster == 1) {
        File master;
        if (existing && master.Open(*existing, File::Mode::Read)) {
            return 0;
        }
        return Fail(MessageId::kNoMasterFile, {m_szMasterPath});
    }
    if (existing) {
        return Fail(MessageId::kMasterExists, {*existing});
    }
    // A new MASTER beside another directory's EMASTER or XMASTER would not
    // match them.
    for (const char* name : {"EMASTER", "XMASTER"}) {
        if (const auto index = FindFileNoCase(directory, name)) {
            return Fail(MessageId::kIndexFileExists, {*index, name});
        }
    }
    // The new, empty MASTER is written by Commit, with the new security in
    // it: a run that fails leaves no MASTER behind.
    return 0;
}

int CConverter::CheckColumnCount() {
    m_nFieldCount = static_cast<int>(
        std::count_if(m_bFieldOn.begin(), m_bFieldOn.end(), [](int on) { return on != 0; }));
    if (m_nFieldCount <= 1) {
        Say(MessageId::kMoreColumnsNeeded);
        return 1;
    }
    // Each ticker's job would rewrite the one input of every ticker.
    if (m_nTickerCol >= 0 && m_bReverse == 1) {
        return Fail(MessageId::kReverseWithTickerColumn);
    }
    if (m_nInterval < 0 || m_nInterval > 60) {
        return Fail(MessageId::kBarIntervalOutOfRange, {std::to_string(m_nInterval)});
    }
    // An intraday record holds its time as a field of its own.
    if (Intraday()) {
        ++m_nFieldCount;
    }
    // Column numbers come from the creator unchecked; one outside the line's
    // 20 columns would read past them.
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        if (m_bFieldOn[s] != 0 && (m_nFieldCol[s] < 0 || m_nFieldCol[s] >= kMaxColumns)) {
            return Fail(MessageId::kColumnOutOfRange,
                        {kFieldLabels[s], std::to_string(kMaxColumns)});
        }
    }
    return 0;
}

int CConverter::CheckDuplicateSymbol() {
    if (m_bExistingMaster == 0) {
        return 0;
    }
    MasterRecord found;
    SecurityLocation where;
    if (FindSecurity(DatabaseDirectory(), m_szSymbol, found, &where) == kFound) {
        Say(MessageId::kDuplicateSymbol);
        return 1;
    }
    // A MASTER that could not be read might hold the symbol: adding it
    // anyway could make a duplicate.
    if (where.ReadError()) {
        return Fail(MessageId::kCannotCheckSymbol, {where.unreadableMaster});
    }
    if (const int status = ReadSideIndexes(); status != 0) {
        return status;
    }
    if (SideIndexesHold(m_szSymbol)) {
        Say(MessageId::kDuplicateSymbol);
        return 1;
    }
    return 0;
}

int CConverter::CheckInputReplaceable() {
    const std::string real = ResolvedPath(m_strInputPath);
    switch (CheckReplaceable(real)) {
        case ReplaceProblem::kNone:
        case ReplaceProblem::kMissing:  // told when it is opened
            return 0;
        case ReplaceProblem::kReadOnly:
            return Fail(MessageId::kInputReadOnly, {real});
        case ReplaceProblem::kFolderReadOnly:
            return Fail(MessageId::kInputFolderReadOnly, {ParentDirectory(real)});
        case ReplaceProblem::kOtherOwner:
            return Fail(MessageId::kInputOwnedByOtherUser, {real});
    }
    return 0;
}

int CConverter::AddSecurity() {
    const std::string directory = DatabaseDirectory();
    // MASTER's state is noted before it is read: if another program changes
    // it during the run, Commit refuses to overwrite that change.
    const FileStamp masterSeen = StampOf(m_szMasterPath);

    std::vector<std::uint8_t> content(kMasterRecordSize, 0);
    if (m_bExistingMaster == 1) {
        if (const int status = ReadMasterRecords(content); status != 0) {
            return status;
        }
    }
    if (const int status = ReadSideIndexes(); status != 0) {
        return status;
    }
    int fileNumber = FreeMasterFileNumber(content);
    if (fileNumber == 0) {
        // Beyond MASTER's 255: into XMASTER, MASTER stays as it is.
        if (const int status = PrepareXMasterEntry(content, fileNumber); status != 0) {
            return status;
        }
    } else if (const int status = AddMasterEntry(content, fileNumber); status != 0) {
        return status;
    }

    // The security's files come first at Commit, so that an index never
    // lists a security whose files are not complete; EMASTER goes in place
    // together with MASTER.
    const auto [dataTarget, descriptionTarget] =
        SecurityFileTargets(directory, fileNumber, m_bInXMaster);
    const std::string dataWork = dataTarget + ".~NU";
    const std::string descriptionWork = descriptionTarget + ".~NU";
    auto transaction = m_pBatch ? std::make_unique<FileTransaction>(*m_pBatch->transaction)
                                : std::make_unique<FileTransaction>(directory);
    transaction->PlanReplace(dataWork, dataTarget);
    transaction->PlanReplace(descriptionWork, descriptionTarget);
    if (const int status = PlanIndexesAndTrack(*transaction, masterSeen); status != 0) {
        return status;
    }
    // From here on a failure is one of a run that began writing, even
    // though nothing of it will be kept.
    m_bWritten = true;
    if (const int status = WriteSecurityWorkFiles(*transaction, dataWork, descriptionWork);
        status != 0) {
        return status;
    }
    m_transaction = std::move(transaction);
    m_masterContent = content;
    m_masterAdded = std::move(content);
    m_strDataPath = dataWork;
    m_nFileNumber = fileNumber;
    return 0;
}

int CConverter::ReadMasterRecords(std::vector<std::uint8_t>& content) {
    if (m_pBatch && m_pBatch->indexes.loaded) {
        content = m_pBatch->indexes.master;
        return 0;
    }
    File master;
    if (!master.Open(m_szMasterPath, File::Mode::Read)) {
        return Fail(MessageId::kCannotOpenMasterFile, {m_szMasterPath});
    }
    if (!master.ReadExact(content.data(), kMasterRecordSize)) {
        return Fail(MessageId::kCannotReadMasterFile, {m_szMasterPath});
    }
    // Whole records only, as MASTER is read and written in records.
    std::uint8_t bytes[kMasterRecordSize];
    while (master.ReadExact(bytes, sizeof bytes)) {
        content.insert(content.end(), bytes, bytes + sizeof bytes);
    }
    if (master.Failed()) {
        return Fail(MessageId::kCannotReadMasterFile, {m_szMasterPath});
    }
    if (!MasterCountAgrees(content)) {
        const MasterHeader header = MasterHeader::Unpack(content.data());
        return Fail(MessageId::kIndexCountDisagrees,
                    {m_szMasterPath, std::to_string(header.entryCount),
                     std::to_string(content.size() / kMasterRecordSize - 1)});
    }
    return 0;
}

int CConverter::FreeMasterFileNumber(const std::vector<std::uint8_t>& master) const {
    const MasterHeader header = MasterHeader::Unpack(master.data());
    if (header.entryCount >= kMaxSecurities || header.fileCounter >= kMaxSecurities) {
        return 0;
    }
    std::array<bool, 256> used{};
    used[0] = true;
    // A number whose price files are there (left by a security deleted
    // elsewhere, or listed in a damaged index) would replace them.
    for (const int n : NumbersWithPriceFiles(DatabaseDirectory())) {
        if (n < static_cast<int>(used.size())) {
            used[static_cast<std::size_t>(n)] = true;
        }
    }
    for (std::size_t offset = kMasterRecordSize; offset < master.size();
         offset += kMasterRecordSize) {
        used[master[offset]] = true;
    }
    // XMASTER's numbers begin at 256, but a number it uses is never given to
    // another security. (EMASTER's are MASTER's when it is in step; one
    // that is not is ignored by readers, and so here.)
    XMasterFile xmaster;
    if (m_xmaster.present && ParseXMaster(m_xmaster.content, xmaster)) {
        for (const XMasterRecord& record : xmaster.records) {
            if (record.fileNumber < used.size()) {
                used[record.fileNumber] = true;
            }
        }
    }
    const auto freeNumber = std::find(used.begin(), used.end(), false);
    return freeNumber == used.end() ? 0 : static_cast<int>(freeNumber - used.begin());
}

int CConverter::AddMasterEntry(std::vector<std::uint8_t>& master, int fileNumber) {
    const std::vector<std::uint8_t> before = master;
    MasterHeader header = MasterHeader::Unpack(master.data());
    // Right after the counted entries, before any padding behind them.
    const std::size_t at = kMasterRecordSize * (header.entryCount + 1U);
    header.entryCount = static_cast<std::uint16_t>(header.entryCount + 1);
    header.fileCounter = static_cast<std::uint16_t>(header.fileCounter + 1);
    const MasterBytes packedHeader = header.Pack();
    std::copy(packedHeader.begin(), packedHeader.end(), master.begin());

    MasterRecord record;
    record.fileNumber = static_cast<std::uint8_t>(fileNumber);
    // File type 101, little-endian like every integer of the format.
    record.fileType = {0x65, 0x00};
    record.recordLength = static_cast<std::uint8_t>(4 * m_nFieldCount);
    record.fieldCount = static_cast<std::uint8_t>(m_nFieldCount);
    record.name = PadField(m_szName);
    const Bytes4 today = TodayStored();
    record.firstDate = today;
    record.lastDate = today;
    record.period = Intraday() ? 'I' : 'D';
    record.reserved3 = {static_cast<std::uint8_t>(m_nInterval), 0};
    record.symbol = PadField(m_szSymbol);
    const MasterBytes packedRecord = record.Pack();
    master.insert(master.begin() + static_cast<std::ptrdiff_t>(std::min(at, master.size())),
                  packedRecord.begin(), packedRecord.end());

    const auto highest =
        static_cast<std::uint8_t>(std::min<int>(header.fileCounter, kMaxSecurities));
    return PrepareEMaster(before, record, highest, m_emaster.changed);
}

int CConverter::PlanIndexesAndTrack(FileTransaction& transaction, const FileStamp& masterSeen) {
    for (SideIndex* side : {&m_emaster, &m_xmaster}) {
        if (side->changed) {
            transaction.PlanReplace(side->path + ".~NU", side->path, side->seen);
        }
    }
    if (!m_bInXMaster) {
        transaction.PlanReplace(m_szMasterPath + ".~NU", m_szMasterPath, masterSeen);
    }
    std::vector<std::string> work = {BackupPathOf(m_szMasterPath) + ".~NU"};
    if (m_bReverse == 1) {
        if (const int status = GuardInput(transaction); status != 0) {
            return status;
        }
        // The reversal's work files, so that the journal is written once.
        const std::string real = ResolvedPath(m_strInputPath);
        work.push_back(real + ".~NU");
        work.push_back(real + FileTransaction::kOldSuffix);
        work.push_back(m_strInputPath + ".BAK.~NU");
        work.push_back(m_strInputPath + ".BAK" + FileTransaction::kOldSuffix);
    }
    if (!transaction.Track(work)) {
        return Fail(MessageId::kCannotWriteJournal, {transaction.FailedPath()});
    }
    return 0;
}

int CConverter::WriteSecurityWorkFiles(FileTransaction& transaction, const std::string& dataWork,
                                       const std::string& descriptionWork) {
    // The description file is a few bytes: flushing it on a thread of its
    // own gains nothing measurable and costs a thread.
    const std::string failed =
        WriteSecurityFiles(dataWork, descriptionWork, m_bFieldOn, m_nFieldCount, Intraday());
    if (!failed.empty()) {
        transaction.Abort();
        return Fail(MessageId::kCannotCreateFile, {failed});
    }
    return 0;
}

bool CConverter::SyncInBackground(const std::string& path, std::uint64_t bytes) {
    // A small file is on disk about as soon as a thread would have started;
    // with faults injected the steps stay in one order, run after run.
    if (bytes < kBackgroundSyncBytes || BackgroundJobsInline()) {
        return SyncFile(path);
    }
    // One at a time: the one before is long done when the next comes.
    if (!WorkFilesOnDisk()) {
        return true;  // Commit tells of the one that failed
    }
    m_syncingPath = path;
    m_workSync.Start([this] {
        m_bSynced = SyncFile(m_syncingPath);
        if (!m_bSynced) {
            m_syncError = LastFileError();
        }
    });
    return true;
}

bool CConverter::WorkFilesOnDisk() {
    m_workSync.Wait();
    if (!m_bSynced && m_syncFailedPath.empty()) {
        m_syncFailedPath = m_syncingPath;
    }
    if (!m_syncFailedPath.empty()) {
        // Its reason, for the message that names it.
        SetLastFileError(m_syncError);
        return false;
    }
    return true;
}

int CConverter::Commit() {
    if (!m_transaction) {
        return Fail(MessageId::kNothingToCommit, {});
    }
    if (!WorkFilesOnDisk()) {
        return Fail(MessageId::kCannotWriteTemporaryFile, {m_syncFailedPath});
    }
    DropDataFile();
    std::unique_ptr<FileTransaction> transaction = std::move(m_transaction);
    // In a batch the index work files are written once, by the batch's
    // commit, from what the last job left (KeepIndexes): writing them here
    // too would make and unlink three files per job for nothing.
    const bool indexesWritten = m_pBatch == nullptr;
    const std::string masterWork = m_szMasterPath + ".~NU";
    if (indexesWritten && !m_bInXMaster &&
        !WriteWorkFile(masterWork, m_masterContent.data(), m_masterContent.size())) {
        transaction->Abort();
        return Fail(MessageId::kCannotWriteTemporaryFile, {masterWork});
    }
    for (const SideIndex* side : {&m_emaster, &m_xmaster}) {
        const std::string work = side->path + ".~NU";
        if (indexesWritten && side->changed &&
            !WriteWorkFile(work, side->changed->data(), side->changed->size())) {
            transaction->Abort();
            return Fail(MessageId::kCannotWriteTemporaryFile, {work});
        }
    }
    if (m_bExistingMaster == 1) {
        // The backup holds MASTER with the new entry as AddSecurity made it.
        // Without it the run goes on; the backup then stays as it was.
        const std::string backup = BackupPathOf(m_szMasterPath);
        if (!indexesWritten ||
            WriteWorkFile(backup + ".~NU", m_masterAdded.data(), m_masterAdded.size())) {
            transaction->PlanReplace(backup + ".~NU", backup, /*optional=*/true);
        }
    }
    if (transaction->Commit()) {
        return 0;
    }
    const std::string& path = transaction->FailedPath();
    switch (transaction->LastError()) {
        case FileTransaction::Error::kChanged:
            return Fail(MessageId::kFileChangedMeanwhile, {path});
        case FileTransaction::Error::kJournal:
            return Fail(MessageId::kCannotWriteJournal, {path});
        case FileTransaction::Error::kUndo:
            return Fail(MessageId::kCannotRestoreReplacedFiles, {path});
        case FileTransaction::Error::kPrepare:
        case FileTransaction::Error::kReplace:
        case FileTransaction::Error::kNone:
            break;
    }
    return Fail(MessageId::kCannotReplaceFile, {path});
}

}  // namespace torvan
