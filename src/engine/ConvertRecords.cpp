#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "database/Dates.h"
#include "database/Master.h"
#include "engine/Converter.h"
#include "engine/FieldColumns.h"
#include "engine/InputText.h"
#include "engine/MonthNames.h"
#include "engine/NumberText.h"
#include "engine/TextReader.h"
#include "platform/BackgroundTask.h"

namespace torvan {
namespace {

// Price records are written to the data file in blocks of about this size.
constexpr std::size_t kRecordBlock = std::size_t{1} << 17;
// A date column this long ends the conversion.
constexpr std::size_t kDateStopLength = 50;

// Length of a text up to its first NUL, as the C string it stands for.
std::size_t CLength(std::string_view text) {
    return std::min(text.size(), text.find('\0'));
}

bool AllDigits(std::string_view text) {
    const std::size_t length = CLength(text);
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

int CConverter::ConvertRecords() {
    // CSV reading, a footer and UTF-16 text take the layout reader.
    if (m_bCsv != 0 || m_nFooterRows > 0 || StartsWithUtf16Mark(ReadPath())) {
        return ConvertLines();
    }
    File input;
    if (const int refused = BeginConvert([&] { return input.Open(ReadPath(), File::Mode::Read); });
        refused != 0) {
        return refused;
    }
    const int fileNumber = m_nFileNumber;
    const char delimiter = m_szDelimiter.empty() ? '\0' : m_szDelimiter[0];
    FieldColumns fields(delimiter, m_bFieldOn, m_nFieldCol);
    ConvertTally tally;
    long lineNumber = 0;
    LineReader reader(input);

    // The rows to skip and the first line go one by one: a byte-order mark
    // must not spoil the first line's date, and UTF-16 text is refused.
    std::string_view line;
    bool utf16 = false;
    bool going = true;
    const long skip = m_bSkipRows == 1 ? std::max(0, m_nSkipRows) : 0;
    for (long i = 0; i <= skip && going && reader.Next(line); ++i) {
        ++lineNumber;
        if (i == 0) {
            utf16 = StartsUtf16(line);
            StripUtf8Bom(line);
        }
        if (utf16) {
            going = false;
        } else if (i == skip) {
            LineChunk first;
            ReadChunk(line, fields, kMaxPriceRecords, first);
            going = TakeChunk(tally, lineNumber - 1, line, fields, first);
        }
    }

    // The rest a buffer at a time, each cut in two at a line end near its
    // middle: the second half is read on another thread while this one
    // reads the first (large halves only; small ones are not worth a
    // thread), and the halves are taken in order.
    constexpr std::size_t kWorthAThread = std::size_t{1} << 15;
    BackgroundTask helper;
    FieldColumns helperFields = fields;
    LineChunk front;
    LineChunk back;
    std::string_view text;
    while (going && reader.NextLines(text)) {
        std::string_view first = text;
        std::string_view second;
        if (const void* cut =
                std::memchr(text.data() + text.size() / 2, '\n', text.size() - text.size() / 2)) {
            const auto split =
                static_cast<std::size_t>(static_cast<const char*>(cut) - text.data()) + 1;
            first = text.substr(0, split);
            second = text.substr(split);
        }
        const int allowance = kMaxPriceRecords - tally.lineCount;
        const bool together = second.size() >= kWorthAThread;
        if (together) {
            helper.Start([&] { ReadChunk(second, helperFields, allowance, back); });
        }
        ReadChunk(first, fields, allowance, front);
        if (together) {
            helper.Wait();
        }
        going = TakeChunk(tally, lineNumber, first, fields, front);
        lineNumber += front.lines;
        if (going && !second.empty()) {
            if (!together) {
                ReadChunk(second, fields, kMaxPriceRecords - tally.lineCount, back);
            }
            going = TakeChunk(tally, lineNumber, second, fields, back);
            lineNumber += back.lines;
        }
    }
    const bool readFailed = input.Failed();
    input.Close();
    if (utf16) {
        DropDataFile();
        return Fail(MessageId::kUtf16Input, {m_strInputPath});
    }
    return FinishConvert(tally, readFailed, fileNumber);
}

void CConverter::ReadChunk(std::string_view text, FieldColumns& fields, int allowance,
                           LineChunk& chunk) {
    std::string records = std::move(chunk.records);
    records.clear();
    // Room for the usual records at once, rather than growing by copies.
    records.reserve(text.size());
    chunk = LineChunk{};
    chunk.records = std::move(records);
    const bool priceFieldOn = m_bFieldOn[kSlotOpen] != 0 || m_bFieldOn[kSlotHigh] != 0 ||
                              m_bFieldOn[kSlotLow] != 0 || m_bFieldOn[kSlotClose] != 0;
    const std::size_t recordSize = 4 * static_cast<std::size_t>(m_nRecordSlots);
    std::string date;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const auto* feed =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* const next = feed != nullptr ? feed + 1 : end;
        const std::string_view line(p, static_cast<std::size_t>(next - p));
        p = next;
        const long n = ++chunk.lines;
        // A column the line lacks reads as empty.
        if (fields.Read(WithoutLineEnd(line)) == 0) {
            continue;
        }
        const std::string_view dateText = fields.Date();
        // Only a long text can hide a long date behind a NUL.
        if (dateText.size() >= kDateStopLength && CLength(dateText) >= kDateStopLength) {
            chunk.stop = LineChunk::Stop::kDateTooLong;
            chunk.stopLine = n;
            chunk.stopLength = CLength(dateText);
            return;
        }
        int recognised = 0;
        std::uint16_t day = 0;
        Bytes4 storedDate{};
        if (m_bMonthNames == 1) {
            date.assign(dateText.substr(0, CLength(dateText)));
            recognised = TranslateMonthName(date);
            day = ParseStoredDate(date, m_nDateFormat, storedDate);
        } else {
            day = ParseStoredDate(dateText, m_nDateFormat, storedDate);
        }
        if (chunk.checkLine == 0 && fields.HasDateColumn()) {
            chunk.checkLine = n;
            chunk.nonDigit = !AllDigits(dateText);
            chunk.excused = recognised != 0;
        }
        if (day == 0) {
            // A record without a date would show up as garbage in charts.
            chunk.counts.Undated(n);
            continue;
        }
        if (priceFieldOn && !fields.Priced()) {
            // A bar of zeros would plot as a crash to 0 (holiday rows of "null").
            chunk.counts.Unpriced(n);
            continue;
        }
        if (chunk.recordCount == allowance) {
            chunk.stop = LineChunk::Stop::kTooManyRecords;
            chunk.stopLine = n;
            return;
        }
        const std::size_t at = chunk.records.size();
        chunk.records.resize(at + recordSize);
        char* out = chunk.records.data() + at;
        for (int i = 0; i < m_nRecordSlots; ++i) {
            const auto slot = static_cast<int>(m_recordSlots[static_cast<std::size_t>(i)]);
            if (slot == kSlotDate) {
                std::memcpy(out, storedDate.data(), 4);
            } else {
                PutU32(out, FloatToMbfBits(fields.Value(slot)));
            }
            out += 4;
        }
        if (fields.LacksColumn()) {
            chunk.counts.Short(n);
        }
        if (chunk.recordCount++ == 0) {
            chunk.firstDate = storedDate;
        }
        chunk.lastDate = storedDate;
    }
}

bool CConverter::TakeChunk(ConvertTally& tally, long linesBefore, std::string_view text,
                           FieldColumns& fields, LineChunk& chunk) {
    // Read beside another chunk, with room for more records than are left
    // now: read again with the room there is, to stop where the limit is.
    if (chunk.recordCount > kMaxPriceRecords - tally.lineCount) {
        ReadChunk(text, fields, kMaxPriceRecords - tally.lineCount, chunk);
    }
    // The checks judge the first line that has a date column; nothing after
    // a failed one counts.
    if (!tally.checked && chunk.checkLine != 0 &&
        !CheckDateFormat(tally, chunk.nonDigit, chunk.excused)) {
        return false;
    }
    tally.counts.Add(chunk.counts, linesBefore);
    if (chunk.recordCount > 0) {
        if (tally.lineCount == 0) {
            tally.firstDate = chunk.firstDate;
        }
        tally.lastDate = chunk.lastDate;
        tally.lineCount += chunk.recordCount;
        if (!WriteRecordBlock(chunk.records)) {
            tally.failed |= Fail(MessageId::kCannotWriteDataFile, {m_strDataPath});
            return false;
        }
    }
    switch (chunk.stop) {
        case LineChunk::Stop::kNone:
            return true;
        case LineChunk::Stop::kDateTooLong:
            DateTooLong(tally, linesBefore + chunk.stopLine, chunk.stopLength);
            return false;
        case LineChunk::Stop::kTooManyRecords:
            TooManyRecords(tally, linesBefore + chunk.stopLine);
            return false;
    }
    return false;
}

int CConverter::BeginConvert(const std::function<bool()>& openInput) {
    // The security is the one AddSecurity entered in this run; its data file
    // is the work file that Commit puts in place.
    if (m_nFileNumber == 0 || m_strDataPath.empty()) {
        return Fail(MessageId::kSecurityNotAdded, {m_szSymbol, m_szMasterPath});
    }
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        if ((m_bFieldOn[s] != 0 || slot == kSlotDate) &&
            (m_nFieldCol[s] < 0 || m_nFieldCol[s] >= kMaxColumns)) {
            return Fail(MessageId::kColumnOutOfRange,
                        {kFieldLabels[s], std::to_string(kMaxColumns)});
        }
    }
    // The slots a record holds, in the order they are stored.
    m_nRecordSlots = 0;
    for (std::size_t slot = 0; slot < kFieldSlots; ++slot) {
        if (m_bFieldOn[slot] != 0) {
            m_recordSlots[static_cast<std::size_t>(m_nRecordSlots++)] = slot;
        }
    }
    if (!openInput()) {
        return Fail(MessageId::kCannotOpenInputFile, {ReadPath()});
    }
    if (!m_dataFile.Open(m_strDataPath, File::Mode::Append)) {
        return Fail(MessageId::kCannotOpenDataFile, {m_strDataPath});
    }
    return 0;
}

bool CConverter::DateTooLong(ConvertTally& tally, long lineNumber, std::size_t length) {
    if (length < kDateStopLength) {
        return false;
    }
    tally.stop =
        Fail(MessageId::kDateColumnTooLong, {std::to_string(lineNumber), std::to_string(length)});
    return true;
}

bool CConverter::CheckDateFormat(ConvertTally& tally, bool nonDigit, bool excused) {
    tally.checked = true;
    if (m_nDateFormat > 6 && nonDigit && !excused) {
        tally.dateFormatError = 1;
        Say(MessageId::kNumericOnlyDateFormat);
    } else if (m_nDateFormat < 7 && !nonDigit) {
        tally.dateFormatError = 1;
        Say(MessageId::kSeparatedDateFormat);
    }
    // Nothing of a run that fails is kept, so there is no point in reading on.
    return tally.dateFormatError == 0;
}

bool CConverter::StoreRecord(ConvertTally& tally, long lineNumber, bool lacksColumn,
                             int fileNumber) {
    if (tally.lineCount == kMaxPriceRecords) {
        TooManyRecords(tally, lineNumber);
        return false;
    }
    if (AppendPriceRecord(fileNumber) != 0) {
        tally.failed |= Fail(MessageId::kCannotWriteDataFile, {m_strDataPath});
        return false;
    }
    if (lacksColumn) {
        tally.counts.Short(lineNumber);
    }
    if (tally.lineCount == 0) {
        tally.firstDate = m_fValue[kSlotDate];
    }
    tally.lastDate = m_fValue[kSlotDate];
    ++tally.lineCount;
    return true;
}

void CConverter::TooManyRecords(ConvertTally& tally, long lineNumber) {
    tally.failed |= Fail(MessageId::kTooManyPriceLines,
                         {std::to_string(kMaxPriceRecords), std::to_string(lineNumber)});
}

int CConverter::FinishConvert(ConvertTally& tally, bool readFailed, int fileNumber) {
    const bool dataOk = CloseDataFile();
    if (readFailed) {
        tally.failed |= Fail(MessageId::kCannotReadInputFile, {ReadPath()});
    }
    if (!dataOk && tally.failed == 0 && tally.stop == 0 && tally.dateFormatError == 0) {
        tally.failed |= Fail(MessageId::kCannotWriteDataFile, {m_strDataPath});
    }
    // A run that fails keeps nothing of its records; the messages so far
    // said why.
    if (tally.stop != 0 || tally.dateFormatError != 0 || tally.failed != 0) {
        return 1;
    }
    ReportLineCounts(tally.counts);
    m_result.recordsWritten = tally.lineCount;
    if (tally.lineCount > 0) {
        m_result.firstDate = MbfToFloat(tally.firstDate.data());
        m_result.lastDate = MbfToFloat(tally.lastDate.data());
    }
    if (tally.lineCount == 0) {
        if (tally.stop == 0 && tally.failed == 0) {
            tally.failed |= Fail(MessageId::kNoPriceLines, {m_strInputPath});
        }
        return 1;
    }
    const int r1 = SetMasterDates(tally.firstDate, tally.lastDate, fileNumber);
    const int r2 = SetRecordCount(static_cast<std::uint16_t>(tally.lineCount), fileNumber);
    return r1 | r2 | tally.stop | tally.dateFormatError | tally.failed;
}

void CConverter::ReportLineCounts(const LineCounts& counts) {
    const auto [undated, firstUndated, unpriced, firstUnpriced, shortLines, firstShort] = counts;
    if (undated > 0) {
        Say(MessageId::kLinesWithoutDate, {std::to_string(undated), std::to_string(firstUndated)});
    }
    if (unpriced > 0) {
        Say(MessageId::kLinesWithoutPrice,
            {std::to_string(unpriced), std::to_string(firstUnpriced)});
    }
    if (shortLines > 0) {
        Say(MessageId::kLinesMissingColumns,
            {std::to_string(shortLines), std::to_string(firstShort)});
    }
    m_result.linesWithoutDate = static_cast<int>(undated);
    m_result.firstLineWithoutDate = static_cast<int>(firstUndated);
    m_result.linesWithoutPrice = static_cast<int>(unpriced);
    m_result.firstLineWithoutPrice = static_cast<int>(firstUnpriced);
    m_result.linesMissingColumns = static_cast<int>(shortLines);
    m_result.firstLineMissingColumns = static_cast<int>(firstShort);
}

int CConverter::AppendPriceRecord(int fileNumber) {
    if (!m_dataFile.IsOpen()) {
        if (m_strDataPath.empty() || fileNumber != m_nFileNumber ||
            !m_dataFile.Open(m_strDataPath, File::Mode::Append)) {
            return 1;
        }
        m_recordBytes = 0;
    }
    // Records are gathered and written a block at a time.
    if (m_recordBytes + 4 * kFieldSlots > m_records.size()) {
        if (!WritePendingRecords()) {
            return 1;
        }
        m_records.resize(kRecordBlock);  // a block handed back is nearly that size already
    }
    char* out = m_records.data() + m_recordBytes;
    for (int i = 0; i < m_nRecordSlots; ++i) {
        std::memcpy(out, m_fValue[m_recordSlots[static_cast<std::size_t>(i)]].data(), 4);
        out += 4;
    }
    m_recordBytes = static_cast<std::size_t>(out - m_records.data());
    return 0;
}

bool CConverter::WriteRecordBlock(std::string& block) {
    if (!m_dataFile.IsOpen() || !WritePendingRecords()) {
        return false;
    }
    if (!m_dataWriter) {
        m_dataWriter = std::make_unique<BackgroundWriter>(m_dataFile);
    }
    return m_dataWriter->Write(block);
}

bool CConverter::WritePendingRecords() {
    if (m_recordBytes == 0) {
        return true;
    }
    if (!m_dataWriter) {
        m_dataWriter = std::make_unique<BackgroundWriter>(m_dataFile);
    }
    m_records.resize(m_recordBytes);
    m_recordBytes = 0;
    return m_dataWriter->Write(m_records);
}

bool CConverter::CloseDataFile() {
    bool ok = WritePendingRecords();
    if (m_dataWriter) {
        ok = m_dataWriter->Finish() && ok;
        m_dataWriter.reset();
    }
    ok = m_dataFile.Flush(false) && ok;
    return m_dataFile.Close() && ok;
}

void CConverter::DropDataFile() {
    if (m_dataWriter) {
        m_dataWriter->Finish();
        m_dataWriter.reset();
    }
    m_recordBytes = 0;
    m_dataFile.Close();
}

int CConverter::SetMasterDates(const Bytes4& firstDate, const Bytes4& lastDate, int fileNumber) {
    // MASTER is written once, by Commit, with the dates already in place.
    if (m_masterContent.size() < kMasterRecordSize) {
        return Fail(MessageId::kSecurityNotAdded, {m_szSymbol, m_szMasterPath});
    }
    // A security of XMASTER has no MASTER entry to date.
    for (std::size_t offset = kMasterRecordSize;
         !m_bInXMaster && offset + kMasterRecordSize <= m_masterContent.size();
         offset += kMasterRecordSize) {
        if (m_masterContent[offset] == fileNumber) {
            std::copy(firstDate.begin(), firstDate.end(),
                      m_masterContent.begin() + static_cast<long>(offset + 25));
            std::copy(lastDate.begin(), lastDate.end(),
                      m_masterContent.begin() + static_cast<long>(offset + 29));
        }
    }
    SetSideIndexDates(MbfToFloat(firstDate), MbfToFloat(lastDate), fileNumber);
    return 0;
}

int CConverter::SetRecordCount(std::uint16_t priceRecords, int fileNumber) {
    // The data file is still this run's work file: its header is set in
    // place, and the file goes to disk before Commit names it F<n>.DAT.
    if (m_strDataPath.empty() || fileNumber != m_nFileNumber) {
        return Fail(MessageId::kSecurityNotAdded, {m_szSymbol, m_szMasterPath});
    }
    if (m_dataFile.IsOpen() && !CloseDataFile()) {
        return Fail(MessageId::kCannotWriteDataFile, {m_strDataPath});
    }
    File data;
    if (!data.Open(m_strDataPath, File::Mode::Update)) {
        return Fail(MessageId::kCannotOpenDataFile, {m_strDataPath});
    }
    std::uint8_t count[2];
    PutU16(count, static_cast<std::uint16_t>(priceRecords + 1U));
    bool ok = data.Seek(2) && data.Write(count, sizeof count) && data.Flush(true);
    ok = data.Close() && ok;
    if (!ok) {
        return Fail(MessageId::kCannotWriteDataFile, {m_strDataPath});
    }
    return 0;
}

}  // namespace torvan
