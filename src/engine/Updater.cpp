// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Updater.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <utility>

#include "database/Dates.h"
#include "database/EMaster.h"
#include "database/IndexFields.h"
#include "database/XMaster.h"
#include "engine/TextReader.h"
#include "platform/DirectoryLock.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// Writes a work file whole and flushed to disk; false when it could not be.
bool WriteWorkFile(const std::string& path, const std::string& content) {
    File out;
    bool ok = out.Open(path, File::Mode::Write) && out.Write(content) && out.Flush(true);
    ok = out.Close() && ok;
    if (!ok) {
        RemoveFile(path);
    }
    return ok;
}

// The slot of a field as the reader names it; -1 for a time or a field a
// description file names otherwise, which no line of a daily file gives.
int SlotOfFieldName(const std::string& name) {
    static constexpr std::array<const char*, kFieldSlots> kNames = {
        "Date", "Open", "High", "Low", "Close", "Volume", "OpenInterest"};
    const auto found = std::find(kNames.begin(), kNames.end(), name);
    return found == kNames.end() ? -1 : static_cast<int>(found - kNames.begin());
}

float DateOf(const std::string& records, std::size_t offset) {
    return MbfToFloat(reinterpret_cast<const std::uint8_t*>(records.data()) + offset);
}

bool ZeroBytes(const std::string& content, std::size_t offset, std::size_t size) {
    return std::all_of(content.begin() + static_cast<long>(offset),
                       content.begin() + static_cast<long>(offset + size),
                       [](char c) { return c == 0; });
}

template <std::size_t N>
void Put(std::string& content, std::size_t offset, const std::array<std::uint8_t, N>& bytes) {
    std::memcpy(content.data() + offset, bytes.data(), N);
}

void PutNumber(std::string& content, std::size_t offset, std::uint32_t value) {
    PutU32(reinterpret_cast<std::uint8_t*>(content.data()) + offset, value);
}

std::uint32_t NumberAt(const std::string& content, std::size_t offset) {
    return GetU32(reinterpret_cast<const std::uint8_t*>(content.data()) + offset);
}

}  // namespace

int CUpdater::Run() {
    m_result = UpdateResult{};
    m_written = false;
    m_directory.clear();
    SetLastFileError(0);
    // A symbol that is not there yet goes into the MASTER that is.
    m_job.m_bExistingMaster = 1;
    int status = 0;
    {
        DirectoryLock lock;
        status = LockDatabase(lock);
        if (status == 0) {
            FileTransaction transaction(m_directory);
            status = Stage(transaction);
            if (status == 0) {
                status = Commit(transaction);
            }
        }
    }
    if (status == kAbsent) {
        // The conversion takes the lock again for itself.
        status = m_job.Run();
        m_result.job = m_job.Result();
        m_result.added = true;
        return status;
    }
    JobResult& job = m_result.job;
    job.messages = m_job.Result().messages;
    job.databaseDirectory = m_directory;
    if (status != 0) {
        job.outcome = m_written ? Outcome::kFailed : Outcome::kRefused;
        return status;
    }
    job.fileNumber = m_entry.fileNumber;
    const bool warned =
        job.linesWithoutDate > 0 || job.linesWithoutPrice > 0 || job.linesMissingColumns > 0;
    job.outcome = warned ? Outcome::kConvertedWithWarnings : Outcome::kConverted;
    return 0;
}

int CUpdater::LockDatabase(DirectoryLock& lock) {
    if (const int status = m_job.CheckOutputDirectory(); status != 0) {
        return status;
    }
    m_directory = m_job.DatabaseDirectory();
    const std::string lockPath = DirectoryLock::PathIn(m_directory);
    switch (lock.TryLock(m_directory)) {
        case DirectoryLock::Result::Locked:
            break;
        case DirectoryLock::Result::Busy:
            return m_job.Fail(MessageId::kDatabaseBusy, {m_directory});
        case DirectoryLock::Result::NotAFile:
            return m_job.Fail(MessageId::kLockFileNotAFile, {lockPath});
        case DirectoryLock::Result::Unavailable:
            return m_job.Fail(MessageId::kCannotLockDatabase,
                              {lockPath, std::strerror(lock.Error())});
    }
    std::string failed;
    FileTransaction::Stuck why = FileTransaction::Stuck::kNone;
    if (FileTransaction::Recover(m_directory, failed, why)) {
        return 0;
    }
    switch (why) {
        case FileTransaction::Stuck::kInUse:
            return m_job.Fail(MessageId::kInterruptedConversionInputBusy, {failed});
        case FileTransaction::Stuck::kOutOfReach:
            return m_job.Fail(MessageId::kInterruptedConversionOutOfReach, {failed});
        case FileTransaction::Stuck::kNone:
        case FileTransaction::Stuck::kFailed:
        case FileTransaction::Stuck::kForeign:
            break;
    }
    return m_job.Fail(MessageId::kInterruptedConversionLeftovers, {failed});
}

int CUpdater::Commit(FileTransaction& transaction) {
    if (transaction.Commit()) {
        return 0;
    }
    const std::string& path = transaction.FailedPath();
    switch (transaction.LastError()) {
        case FileTransaction::Error::kChanged:
            return m_job.Fail(MessageId::kFileChangedMeanwhile, {path});
        case FileTransaction::Error::kJournal:
            return m_job.Fail(MessageId::kCannotWriteJournal, {path});
        case FileTransaction::Error::kUndo:
            return m_job.Fail(MessageId::kCannotRestoreReplacedFiles, {path});
        case FileTransaction::Error::kPrepare:
        case FileTransaction::Error::kReplace:
        case FileTransaction::Error::kNone:
            break;
    }
    return m_job.Fail(MessageId::kCannotReplaceFile, {path});
}

int CUpdater::Stage(FileTransaction& transaction) {
    if (m_directory.empty()) {
        if (const int status = m_job.CheckOutputDirectory(); status != 0) {
            return status;
        }
        m_directory = m_job.DatabaseDirectory();
    }
    m_days.clear();
    int status = FindSecurity();
    if (status == 0) {
        status = ReadInput();
    }
    if (status == 0) {
        status = ReadStored();
    }
    Plan plan;
    if (status == 0) {
        status = m_overlap == Overlap::kReplaceAll ? PlanReplaceAll(plan) : PlanAppend(plan);
    }
    if (status != 0 || (plan.appended.empty() && !plan.rewrite)) {
        return status;  // a failure, or nothing to change
    }
    std::vector<std::pair<std::string, std::string>> works;
    if (const int indexes = StageIndexes(transaction, plan, works); indexes != 0) {
        return indexes;
    }
    if (plan.rewrite) {
        works.emplace_back(m_stored.path + ".~NU", plan.rewritten);
    }
    if (const int data = StageData(transaction, plan); data != 0) {
        return data;
    }
    for (const auto& [work, content] : works) {
        if (!WriteWorkFile(work, content)) {
            return m_job.Fail(MessageId::kCannotWriteTemporaryFile, {work});
        }
    }
    if (plan.rewrite) {
        return 0;
    }
    // Appended in place: the header's count last, then all of it to disk
    // before Commit lets the indexes name the new days.
    std::uint8_t count[2];
    PutU16(count, static_cast<std::uint16_t>(m_stored.count + plan.recordsAdded + 1));
    File data;
    bool ok = data.Open(m_stored.path, File::Mode::Update) && data.Seek(m_stored.seen.size) &&
              data.Write(plan.appended) && data.Seek(2) && data.Write(count, sizeof count) &&
              data.Flush(true);
    ok = data.Close() && ok;
    return ok ? 0 : m_job.Fail(MessageId::kCannotWriteDataFile, {m_stored.path});
}

int CUpdater::FindSecurity() {
    std::vector<SecurityEntry> entries;
    std::vector<UnreadIndexFile> unread;
    if (!ListSecurities(m_directory, entries, &unread)) {
        return m_job.Fail(MessageId::kCannotReadMasterFile, {m_job.m_szMasterPath});
    }
    const std::string wanted = ToUpperAscii(m_job.m_szSymbol.substr(0, 16));
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const SecurityEntry& e) {
        return !e.isSubdirectory && ToUpperAscii(e.symbol) == wanted;
    });
    if (found == entries.end()) {
        // An index that could not be read might list it: adding it could
        // make a duplicate.
        return unread.empty() ? kAbsent
                              : m_job.Fail(MessageId::kCannotCheckSymbol, {unread.front().path});
    }
    m_entry = *found;
    const std::string name = m_entry.PriceFileName();
    const std::string path =
        FindFileNoCase(m_directory, name).value_or(JoinPath(m_directory, name));
    m_slots.clear();
    bool readable = m_entry.record.period != 'I' && !m_entry.fieldNames.empty();
    for (const std::string& field : m_entry.fieldNames) {
        const int slot = SlotOfFieldName(field);
        // Records hold the fields in slot order.
        readable = readable && slot >= 0 && (m_slots.empty() || m_slots.back() < std::size_t(slot));
        m_slots.push_back(static_cast<std::size_t>(std::max(slot, 0)));
    }
    if (!readable || m_slots.front() != kSlotDate) {
        return m_job.Fail(MessageId::kSecurityNotUpdatable, {m_entry.symbol, path});
    }
    m_recordSize = m_slots.size() * 4;
    m_stored = Stored{};
    m_stored.path = path;
    return 0;
}

int CUpdater::ReadInput() {
    TextReader input;
    const std::string& path = m_job.m_strInputPath;
    const LineLayout layout = m_job.Layout();
    long undated = 0, firstUndated = 0, unpriced = 0, firstUnpriced = 0;
    auto take = [&](long number, const PriceLine& read) {
        if (read.kind == LineKind::kNoDate) {
            firstUndated = undated++ == 0 ? number : firstUndated;
        } else if (read.kind == LineKind::kNoPrice) {
            firstUnpriced = unpriced++ == 0 ? number : firstUnpriced;
        } else {
            Day day;
            day.line = number;
            day.values[kSlotDate] = DayNumberToStoredDate(read.day);
            day.date = MbfToFloat(day.values[kSlotDate]);
            for (std::size_t s = 1; s < kFieldSlots; ++s) {
                day.values[s] = FloatToMbf(read.values[s]);
            }
            day.shortLine = read.missingColumns;
            m_days.push_back(day);
        }
    };
    // The footer is the last lines that are not empty.
    const auto footer = static_cast<std::size_t>(std::max(0, m_job.m_nFooterRows));
    const long skip = m_job.m_bSkipRows == 1 ? m_job.m_nSkipRows : 0;
    std::deque<std::pair<long, PriceLine>> held;
    std::string line;
    long number = 0;
    bool opened = input.Open(path);
    while (opened && input.ReadLine(line)) {
        if (++number <= skip) {
            continue;
        }
        StripLineEnd(line);
        PriceLine read = ReadPriceLine(line, layout);
        if (read.kind != LineKind::kEmpty) {
            held.emplace_back(number, std::move(read));
        }
        if (held.size() > footer) {
            take(held.front().first, held.front().second);
            held.pop_front();
        }
    }
    if (!opened || input.Failed()) {
        switch (input.Problem()) {
            case ReadProblem::kNotAFile:
                return m_job.Fail(MessageId::kInputNotAFile, {path});
            case ReadProblem::kLineTooLong:
                return m_job.Fail(MessageId::kLineTooLong, {std::to_string(input.LineNumber()),
                                                            path, std::to_string(kMaxLineBytes)});
            case ReadProblem::kCannotOpen:
                return m_job.Fail(MessageId::kCannotOpenInputFile, {path});
            default:
                return m_job.Fail(MessageId::kCannotReadInputFile, {path});
        }
    }
    if (m_job.m_bReverse == 1) {
        std::reverse(m_days.begin(), m_days.end());
    }
    if (m_days.empty()) {
        return m_job.Fail(MessageId::kNoPriceLines, {path});
    }
    JobResult& job = m_result.job;
    if (undated > 0) {
        m_job.Say(MessageId::kLinesWithoutDate,
                  {std::to_string(undated), std::to_string(firstUndated)});
    }
    if (unpriced > 0) {
        m_job.Say(MessageId::kLinesWithoutPrice,
                  {std::to_string(unpriced), std::to_string(firstUnpriced)});
    }
    job.linesWithoutDate = static_cast<int>(undated);
    job.firstLineWithoutDate = static_cast<int>(firstUndated);
    job.linesWithoutPrice = static_cast<int>(unpriced);
    job.firstLineWithoutPrice = static_cast<int>(firstUnpriced);
    return 0;
}

int CUpdater::ReadStored() {
    Stored& stored = m_stored;
    stored.seen = StampOf(stored.path);
    File data;
    if (!stored.seen.exists || !data.Open(stored.path, File::Mode::Read)) {
        return m_job.Fail(MessageId::kCannotOpenDataFile, {stored.path});
    }
    stored.header.resize(m_recordSize);
    const bool header = data.ReadExact(stored.header.data(), m_recordSize);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stored.header.data());
    const std::uint64_t count = header ? GetU16(bytes + 2) : 0;
    // Where the new days go is only clear when the header counts the
    // records the file holds.
    if (!header || count == 0 || stored.seen.size % m_recordSize != 0 ||
        stored.seen.size / m_recordSize != count) {
        return m_job.Fail(MessageId::kPriceFileCountDisagrees, {m_entry.symbol, stored.path});
    }
    stored.count = count - 1;
    if (stored.count == 0) {
        return 0;
    }
    std::string first(m_recordSize, '\0');
    std::string last(m_recordSize, '\0');
    if (!data.ReadExact(first.data(), m_recordSize) ||
        !data.Seek(stored.seen.size - m_recordSize) || !data.ReadExact(last.data(), m_recordSize)) {
        return m_job.Fail(MessageId::kCannotOpenDataFile, {stored.path});
    }
    stored.first = DateOf(first, 0);
    stored.last = DateOf(last, 0);
    return 0;
}

int CUpdater::ReadStoredTail(float from, std::uint64_t& index, std::string& tail) {
    // Dates are in order: the tail is found without reading what comes
    // before it.
    File data;
    bool ok = data.Open(m_stored.path, File::Mode::Read);
    std::uint64_t low = 0;
    std::uint64_t high = m_stored.count;
    while (ok && low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        std::string date(4, '\0');
        ok = data.Seek(m_recordSize * (middle + 1)) && data.ReadExact(date.data(), 4);
        if (ok && DateOf(date, 0) < from) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    index = low;
    tail.assign((m_stored.count - low) * m_recordSize, '\0');
    ok = ok && data.Seek(m_recordSize * (low + 1)) && data.ReadExact(tail.data(), tail.size());
    return ok ? 0 : m_job.Fail(MessageId::kCannotOpenDataFile, {m_stored.path});
}

std::string CUpdater::Record(const Day& day) const {
    std::string record;
    for (const std::size_t slot : m_slots) {
        record.append(reinterpret_cast<const char*>(day.values[slot].data()), 4);
    }
    return record;
}

bool CUpdater::FileHas(std::size_t slot) const {
    return slot == kSlotDate || m_job.m_bFieldOn[slot] != 0;
}

int CUpdater::TooMany(long line) {
    return m_job.Fail(MessageId::kTooManyPriceLines,
                      {std::to_string(kMaxPriceRecords), std::to_string(line)});
}

void CUpdater::CompareOverlap(const std::vector<const Day*>& overlap, std::string& tail,
                              std::vector<std::string>& inserted) {
    std::vector<float> dates;
    for (std::size_t offset = 0; offset < tail.size(); offset += m_recordSize) {
        dates.push_back(DateOf(tail, offset));
    }
    for (const Day* day : overlap) {
        const auto at = std::lower_bound(dates.begin(), dates.end(), day->date);
        const bool found = at != dates.end() && *at == day->date;
        const std::size_t offset = static_cast<std::size_t>(at - dates.begin()) * m_recordSize;
        // Only the fields the file gives are compared, and replaced.
        bool equal = found;
        for (std::size_t i = 1; found && i < m_slots.size(); ++i) {
            const std::size_t slot = m_slots[i];
            if (FileHas(slot) &&
                std::memcmp(tail.data() + offset + 4 * i, day->values[slot].data(), 4) != 0) {
                equal = false;
                if (m_overlap == Overlap::kReplace) {
                    std::memcpy(tail.data() + offset + 4 * i, day->values[slot].data(), 4);
                }
            }
        }
        if (equal) {
            ++m_result.skipped;
            continue;
        }
        if (m_result.differing++ == 0 || day->date < m_result.firstDiffering) {
            m_result.firstDiffering = day->date;
        }
        if (m_overlap == Overlap::kReplace) {
            ++m_result.replaced;
            if (!found) {
                inserted.push_back(Record(*day));
            }
        }
    }
}

void CUpdater::ReportFields(int records) {
    std::string lacking;
    for (std::size_t i = 1; i < m_slots.size(); ++i) {
        if (!FileHas(m_slots[i])) {
            lacking += (lacking.empty() ? "" : ", ") + m_entry.fieldNames[i];
        }
    }
    if (!lacking.empty() && records > 0) {
        m_job.Say(MessageId::kSecurityFieldsNotInFile,
                  {std::to_string(records), m_entry.symbol, lacking});
    }
}

int CUpdater::PlanAppend(Plan& plan) {
    std::vector<const Day*> fresh;
    std::vector<const Day*> overlap;
    float from = m_stored.last;
    for (const Day& day : m_days) {
        const bool old = m_stored.count > 0 && day.date <= m_stored.last;
        (old ? overlap : fresh).push_back(&day);
        from = old ? std::min(from, day.date) : from;
    }
    std::string tail;
    std::uint64_t tailIndex = m_stored.count;
    std::vector<std::string> inserted;
    if (!overlap.empty()) {
        if (const int status = ReadStoredTail(from, tailIndex, tail); status != 0) {
            return status;
        }
        CompareOverlap(overlap, tail, inserted);
    }
    const std::uint64_t room =
        kMaxPriceRecords -
        std::min<std::uint64_t>(kMaxPriceRecords, m_stored.count + inserted.size());
    if (fresh.size() > room) {
        return TooMany(fresh[room]->line);
    }
    if (room == 0 && !inserted.empty()) {
        return TooMany(overlap.front()->line);
    }
    const std::string symbol = m_entry.symbol;
    if (m_result.differing > 0) {
        const bool replace = m_overlap == Overlap::kReplace;
        m_job.Say(replace ? MessageId::kUpdateDaysReplaced : MessageId::kUpdateDaysDiffer,
                  {std::to_string(m_result.differing), symbol,
                   StoredDateString(m_result.firstDiffering)});
    }
    int shortLines = 0;
    long firstShort = 0;
    for (const Day* day : fresh) {
        plan.appended += Record(*day);
        firstShort = day->shortLine && shortLines++ == 0 ? day->line : firstShort;
    }
    if (shortLines > 0) {
        m_job.Say(MessageId::kLinesMissingColumns,
                  {std::to_string(shortLines), std::to_string(firstShort)});
    }
    ReportFields(static_cast<int>(fresh.size()));
    JobResult& job = m_result.job;
    job.linesMissingColumns = shortLines;
    job.firstLineMissingColumns = static_cast<int>(firstShort);
    plan.recordsAdded = static_cast<int>(fresh.size());
    job.recordsWritten = plan.recordsAdded;
    if (!fresh.empty()) {
        job.firstDate = fresh.front()->date;
        job.lastDate = fresh.back()->date;
    }
    plan.first = m_stored.count > 0 ? m_stored.first : job.firstDate;
    plan.last = fresh.empty() ? m_stored.last : job.lastDate;
    plan.firstChanged = m_stored.count == 0;
    if (m_result.replaced > 0) {
        return PlanReplace(plan, tail, tailIndex, std::move(inserted));
    }
    return 0;
}

int CUpdater::PlanReplace(Plan& plan, const std::string& tail, std::uint64_t tailIndex,
                          std::vector<std::string> inserted) {
    // Corrections rewrite the price file through a work file: the records
    // before the tail as they are, the tail with the file's values and the
    // days it lacked in date order, then the new days.
    const auto content = ReadWholeFile(m_stored.path);
    if (!content || content->size() != m_stored.seen.size) {
        return m_job.Fail(MessageId::kCannotOpenDataFile, {m_stored.path});
    }
    std::vector<std::string> records;
    for (std::size_t offset = 0; offset < tail.size(); offset += m_recordSize) {
        records.push_back(tail.substr(offset, m_recordSize));
    }
    records.insert(records.end(), std::make_move_iterator(inserted.begin()),
                   std::make_move_iterator(inserted.end()));
    std::stable_sort(
        records.begin(), records.end(),
        [](const std::string& a, const std::string& b) { return DateOf(a, 0) < DateOf(b, 0); });
    const std::uint64_t count = tailIndex + records.size() + plan.recordsAdded;
    std::string& out = plan.rewritten;
    out = m_stored.header;
    PutU16(reinterpret_cast<std::uint8_t*>(out.data()) + 2, static_cast<std::uint16_t>(count + 1));
    out.append(*content, m_recordSize, tailIndex * m_recordSize);
    for (const std::string& record : records) {
        out += record;
    }
    out += plan.appended;
    plan.rewrite = true;
    plan.appended.clear();
    plan.first = DateOf(out, m_recordSize);
    plan.last = DateOf(out, out.size() - m_recordSize);
    plan.firstChanged = plan.first != m_stored.first;
    return 0;
}

int CUpdater::PlanReplaceAll(Plan& plan) {
    if (m_days.size() > static_cast<std::size_t>(kMaxPriceRecords)) {
        return TooMany(m_days[kMaxPriceRecords].line);
    }
    std::string& out = plan.rewritten;
    out = m_stored.header;
    PutU16(reinterpret_cast<std::uint8_t*>(out.data()) + 2,
           static_cast<std::uint16_t>(m_days.size() + 1));
    int shortLines = 0;
    long firstShort = 0;
    for (const Day& day : m_days) {
        out += Record(day);
        firstShort = day.shortLine && shortLines++ == 0 ? day.line : firstShort;
    }
    if (shortLines > 0) {
        m_job.Say(MessageId::kLinesMissingColumns,
                  {std::to_string(shortLines), std::to_string(firstShort)});
    }
    ReportFields(static_cast<int>(m_days.size()));
    JobResult& job = m_result.job;
    job.linesMissingColumns = shortLines;
    job.firstLineMissingColumns = static_cast<int>(firstShort);
    job.recordsWritten = static_cast<int>(m_days.size());
    job.firstDate = m_days.front().date;
    job.lastDate = m_days.back().date;
    plan.rewrite = true;
    plan.recordsAdded = job.recordsWritten;
    plan.first = job.firstDate;
    plan.last = job.lastDate;
    plan.firstChanged = true;
    return 0;
}

int CUpdater::StageIndexes(FileTransaction& transaction, const Plan& plan,
                           std::vector<std::pair<std::string, std::string>>& works) {
    // Each index's entries of the security get the last date, and the first
    // where they have none (or the history now begins elsewhere); every
    // other byte stays.
    const int number = m_entry.fileNumber;
    const bool inX = m_entry.inXMaster;
    // Each index is read once: its count and entries from the same bytes.
    // The index the security was found in must still list it.
    auto stage = [&](const std::optional<std::string>& path, std::size_t recordSize,
                     std::size_t countAt, bool wideCount, bool lists, auto patch) {
        if (!path) {
            return lists ? m_job.Fail(MessageId::kFileChangedMeanwhile, {m_job.m_szMasterPath}) : 0;
        }
        const FileStamp seen = StampOf(*path);
        const auto content = ReadWholeFile(*path);
        if (!content || content->size() < countAt + 2) {
            return m_job.Fail(MessageId::kCannotReadIndexFile, {*path});
        }
        const auto* count = reinterpret_cast<const std::uint8_t*>(content->data()) + countAt;
        const std::size_t counted = wideCount ? GetU16(count) : count[0];
        std::string changed = *content;
        bool listed = false;
        for (std::size_t offset = recordSize, n = 0;
             n < counted && offset + recordSize <= changed.size(); offset += recordSize, ++n) {
            listed = patch(changed, offset) || listed;
        }
        if (lists && !listed) {
            return m_job.Fail(MessageId::kFileChangedMeanwhile, {*path});
        }
        if (changed != *content) {
            transaction.PlanReplace(*path + ".~NU", *path, seen);
            works.emplace_back(*path + ".~NU", changed);
        }
        return 0;
    };
    const Bytes4 first = FloatToMbf(plan.first);
    const Bytes4 last = FloatToMbf(plan.last);
    const auto master = FindFileNoCase(m_directory, "MASTER");
    if (const int status = stage(master, kMasterRecordSize, 0, true, !inX,
                                 [&](std::string& c, std::size_t at) {
                                     if (inX || static_cast<std::uint8_t>(c[at]) != number) {
                                         return false;
                                     }
                                     if (plan.firstChanged || ZeroBytes(c, at + 25, 4)) {
                                         Put(c, at + 25, first);
                                     }
                                     Put(c, at + 29, last);
                                     return true;
                                 });
        status != 0) {
        return status;
    }
    const auto emaster = FindEMaster(m_directory);
    if (const int status = stage(emaster, kEMasterRecordSize, 0, false, false,
                                 [&](std::string& c, std::size_t at) {
                                     if (inX || static_cast<std::uint8_t>(c[at + 2]) != number) {
                                         return false;
                                     }
                                     if (plan.firstChanged || NumberAt(c, at + 64) == 0) {
                                         Put(c, at + 64, IeeeBytes(plan.first));
                                         PutNumber(c, at + 126, StoredToYyyymmdd(plan.first));
                                     }
                                     Put(c, at + 72, IeeeBytes(plan.last));
                                     return true;
                                 });
        status != 0) {
        return status;
    }
    const auto xmaster = FindXMaster(m_directory);
    return stage(xmaster, kXMasterRecordSize, 10, true, inX, [&](std::string& c, std::size_t at) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(c.data());
        if (!inX || GetU16(b + at + 65) != number) {
            return false;
        }
        if (plan.firstChanged || NumberAt(c, at + 108) == 0) {
            PutNumber(c, at + 108, StoredToYyyymmdd(plan.first));
        }
        PutNumber(c, at + 116, StoredToYyyymmdd(plan.last));
        return true;
    });
}

int CUpdater::StageData(FileTransaction& transaction, const Plan& plan) {
    const std::string& path = m_stored.path;
    bool planned = false;
    if (plan.rewrite) {
        transaction.PlanReplace(path + ".~NU", path, m_stored.seen);
        planned = transaction.Track({});
    } else {
        // Named in the journal, with the file's size and header, before a
        // byte is appended: an interrupted run is cut back.
        planned = transaction.PlanExtend(path, m_stored.seen,
                                         m_stored.seen.size + plan.appended.size(), m_recordSize);
    }
    if (planned) {
        m_written = true;
        return 0;
    }
    switch (transaction.LastError()) {
        case FileTransaction::Error::kChanged:
            return m_job.Fail(MessageId::kFileChangedMeanwhile, {transaction.FailedPath()});
        case FileTransaction::Error::kJournal:
            return m_job.Fail(MessageId::kCannotWriteJournal, {transaction.FailedPath()});
        default:
            return m_job.Fail(MessageId::kCannotOpenDataFile, {transaction.FailedPath()});
    }
}

}  // namespace torvan
