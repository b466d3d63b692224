// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/Dates.h"
#include "database/EMaster.h"
#include "database/Master.h"
#include "database/XMaster.h"
#include "engine/Converter.h"
#include "engine/FieldColumns.h"
#include "engine/InputText.h"
#include "engine/MonthNames.h"
#include "engine/NumberText.h"
#include "engine/TextReader.h"
#include "platform/Text.h"

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
    return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), IsDigit);
}

}  // namespace

int CConverter::ConvertRecords() {
    // CSV reading, a footer, UTF-16 text, a ticker column and bars with a
    // time (or made into daily bars) take the layout reader.
    if (m_bCsv != 0 || m_nFooterRows > 0 || m_nTickerCol >= 0 || Intraday() || m_bDaily != 0 ||
        StartsWithUtf16Mark(ReadPath())) {
        return ConvertLines();
    }
    TextReader input;
    if (const int refused = BeginConvert(input); refused != 0) {
        return refused;
    }
    const char delimiter = m_szDelimiter.empty() ? '\0' : m_szDelimiter[0];
    FieldColumns fields(delimiter, m_bFieldOn, m_nFieldCol);
    ConvertTally tally;
    const long skip = m_bSkipRows == 1 ? std::max(0, m_nSkipRows) : 0;
    long lineNumber = 0;
    std::string_view line;
    bool going = true;
    while (going && input.Next(line)) {
        // A column the line lacks reads as empty.
        if (++lineNumber > skip && fields.Read(WithoutLineEnd(line)) != 0) {
            going = StoreLine(tally, lineNumber, fields);
        }
    }
    input.Close();
    return FinishConvert(tally, input, m_nFileNumber);
}

bool CConverter::StoreLine(ConvertTally& tally, long lineNumber, const FieldColumns& fields) {
    const std::string_view dateText = fields.Date();
    // Only a long text can hide a long date behind a NUL.
    if (dateText.size() >= kDateStopLength && DateTooLong(tally, lineNumber, CLength(dateText))) {
        return false;
    }
    int recognised = 0;
    std::uint16_t day = 0;
    Bytes4& storedDate = m_fValue[kSlotDate];
    if (m_bMonthNames == 1) {
        std::string date(dateText.substr(0, CLength(dateText)));
        recognised = TranslateMonthName(date);
        day = ParseStoredDate(date, m_nDateFormat, storedDate);
    } else {
        day = ParseStoredDate(dateText, m_nDateFormat, storedDate);
    }
    if (!tally.checked && fields.HasDateColumn() &&
        !CheckDateFormat(tally, !AllDigits(dateText), recognised != 0)) {
        return false;
    }
    if (day == 0) {
        // A record without a date would show up as garbage in charts.
        tally.counts.Undated(lineNumber);
        return true;
    }
    const bool priceFieldOn = m_bFieldOn[kSlotOpen] != 0 || m_bFieldOn[kSlotHigh] != 0 ||
                              m_bFieldOn[kSlotLow] != 0 || m_bFieldOn[kSlotClose] != 0;
    if (priceFieldOn && !fields.Priced()) {
        // A bar of zeros would plot as a crash to 0 (holiday rows of "null").
        tally.counts.Unpriced(lineNumber);
        return true;
    }
    for (int i = 0; i < m_nRecordSlots; ++i) {
        const std::size_t slot = m_recordSlots[static_cast<std::size_t>(i)];
        if (slot != kSlotDate) {
            m_fValue[slot] = FloatToMbf(fields.Value(static_cast<int>(slot)));
        }
    }
    return StoreRecord(tally, lineNumber, fields.LacksColumn(), m_nFileNumber);
}

int CConverter::BeginConvert(TextReader& input) {
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
    if ((m_nTimeCol >= 0 || m_bTimeInDate != 0) && m_nTimeCol >= kMaxColumns) {
        return Fail(MessageId::kColumnOutOfRange, {"TIME", std::to_string(kMaxColumns)});
    }
    m_nBarTime = -1;
    // The slots a record holds, in the order they are stored.
    m_nRecordSlots = 0;
    for (std::size_t slot = 0; slot < kFieldSlots; ++slot) {
        if (m_bFieldOn[slot] != 0) {
            m_recordSlots[static_cast<std::size_t>(m_nRecordSlots++)] = slot;
        }
    }
    if (!input.Open(ReadPath())) {
        return InputFailed(input);
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

void CConverter::NoteOrder(ConvertTally& tally, long lineNumber) {
    const float day = MbfToFloat(m_fValue[kSlotDate]);
    if (tally.lineCount > 0 &&
        (day < tally.lastDay || (day == tally.lastDay && m_nBarTime <= tally.lastTime))) {
        tally.counts.Disordered(lineNumber);
    } else if (tally.lineCount > 0 && day == tally.lastDay && m_nBarTime >= 0) {
        auto seconds = [](long hhmmss) {
            return hhmmss / 10000 * 3600 + hhmmss / 100 % 100 * 60 + hhmmss % 100;
        };
        ++tally.spacings[(seconds(m_nBarTime) - seconds(tally.lastTime)) / 60];
    }
    tally.lastDay = day;
    tally.lastTime = m_nBarTime;
}

bool CConverter::StoreRead(ConvertTally& tally, long lineNumber, const PriceLine& read) {
    m_fValue[kSlotDate] = DayNumberToStoredDate(read.day);
    for (std::size_t s = 1; s < kFieldSlots; ++s) {
        m_fValue[s] = FloatToMbf(read.values[s]);
    }
    m_nBarTime = Intraday() ? read.time : -1;
    return StoreRecord(tally, lineNumber, read.missingColumns, m_nFileNumber);
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
    // Readers chart records in ascending order and look records up by
    // date: a date that repeats or goes back is stored, as nothing of the
    // file is dropped unasked, but told of.
    NoteOrder(tally, lineNumber);
    if (tally.lineCount == 0) {
        tally.firstDate = m_fValue[kSlotDate];
        tally.firstTime = m_nBarTime;
    }
    tally.lastDate = m_fValue[kSlotDate];
    ++tally.lineCount;
    return true;
}

void CConverter::TooManyRecords(ConvertTally& tally, long lineNumber) {
    tally.failed |= Fail(MessageId::kTooManyPriceLines,
                         {std::to_string(kMaxPriceRecords), std::to_string(lineNumber)});
}

int CConverter::InputFailed(const TextReader& input) {
    switch (input.Problem()) {
        case ReadProblem::kNotAFile:
            return Fail(MessageId::kInputNotAFile, {m_strInputPath});
        case ReadProblem::kLineTooLong:
            return Fail(MessageId::kLineTooLong, {std::to_string(input.LineNumber()),
                                                  m_strInputPath, std::to_string(kMaxLineBytes)});
        case ReadProblem::kCannotOpen:
            return Fail(MessageId::kCannotOpenInputFile, {ReadPath()});
        default:
            return Fail(MessageId::kCannotReadInputFile, {ReadPath()});
    }
}

int CConverter::FinishConvert(ConvertTally& tally, const TextReader& input, int fileNumber) {
    const bool dataOk = CloseDataFile();
    if (input.Failed()) {
        tally.failed |= InputFailed(input);
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
    if (Intraday()) {
        if (const int status = SetIntraday(tally, fileNumber); status != 0) {
            return status;
        }
    }
    const int r1 = SetMasterDates(tally.firstDate, tally.lastDate, fileNumber);
    const int r2 = SetRecordCount(static_cast<std::uint16_t>(tally.lineCount), fileNumber);
    return r1 | r2 | tally.stop | tally.dateFormatError | tally.failed;
}

void CConverter::ReportLineCounts(const LineCounts& counts) {
    const auto [undated, firstUndated, unpriced, firstUnpriced, shortLines, firstShort, disordered,
                firstDisordered] = counts;
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
    if (disordered > 0) {
        Say(MessageId::kLinesOutOfOrder,
            {std::to_string(disordered), std::to_string(firstDisordered)});
    }
    m_result.linesOutOfOrder = static_cast<int>(disordered);
    m_result.firstLineOutOfOrder = static_cast<int>(firstDisordered);
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
    if (m_recordBytes + 4 * (kFieldSlots + 1) > m_records.size()) {
        if (!WritePendingRecords()) {
            return 1;
        }
        m_records.resize(kRecordBlock);
    }
    char* out = m_records.data() + m_recordBytes;
    for (int i = 0; i < m_nRecordSlots; ++i) {
        std::memcpy(out, m_fValue[m_recordSlots[static_cast<std::size_t>(i)]].data(), 4);
        out += 4;
        // An intraday record holds its time right after the date.
        if (i == 0 && m_nBarTime >= 0) {
            std::memcpy(out, FloatToMbf(static_cast<float>(m_nBarTime)).data(), 4);
            out += 4;
        }
    }
    m_recordBytes = static_cast<std::size_t>(out - m_records.data());
    return 0;
}

bool CConverter::WritePendingRecords() {
    const std::size_t bytes = std::exchange(m_recordBytes, 0);
    // Started to disk now, so that the final flush finds little to write.
    return bytes == 0 || (m_dataFile.Write(m_records.data(), bytes) && m_dataFile.StartSync());
}

bool CConverter::CloseDataFile() {
    bool ok = WritePendingRecords();
    ok = m_dataFile.Flush(false) && ok;
    return m_dataFile.Close() && ok;
}

void CConverter::DropDataFile() {
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

int CConverter::SetIntraday(const ConvertTally& tally, int fileNumber) {
    int minutes = m_nInterval;
    if (minutes == 0) {
        // The most common spacing; the shorter one of two as common.
        long most = 0;
        for (const auto& [spacing, count] : tally.spacings) {
            if (count > most) {
                most = count;
                minutes = static_cast<int>(std::min<long>(spacing, 1000000));
            }
        }
        if (minutes < 1 || minutes > 60) {
            const std::string spacing = most == 0 ? "none" : std::to_string(minutes) + " minutes";
            return Fail(MessageId::kBarIntervalUnknown, {m_strInputPath, spacing});
        }
    }
    m_result.barMinutes = minutes;
    m_result.firstTime = tally.firstTime;
    m_result.lastTime = tally.lastTime;
    const auto first = static_cast<float>(tally.firstTime);
    const auto last = static_cast<float>(tally.lastTime);
    for (std::size_t offset = kMasterRecordSize;
         !m_bInXMaster && offset + kMasterRecordSize <= m_masterContent.size();
         offset += kMasterRecordSize) {
        if (m_masterContent[offset] == fileNumber) {
            m_masterContent[offset + 33] = 'I';
            PutU16(&m_masterContent[offset + 34], static_cast<std::uint16_t>(minutes));
        }
    }
    if (m_bInXMaster && m_xmaster.changed) {
        SetXMasterIntraday(*m_xmaster.changed, fileNumber, static_cast<std::uint16_t>(minutes));
    } else if (!m_bInXMaster && m_emaster.changed) {
        SetEMasterIntraday(*m_emaster.changed, fileNumber, static_cast<std::uint16_t>(minutes),
                           first, last);
    }
    return 0;
}

}  // namespace torvan
