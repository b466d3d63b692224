#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "database/Dates.h"
#include "database/Master.h"
#include "engine/Converter.h"
#include "engine/InputText.h"
#include "engine/NumberText.h"

namespace torvan {
namespace {

constexpr const char* kNumericOnlyFormat =
    "You specified a numeric-only date format\nbut a non-numeric date character was found.";
constexpr const char* kSeparatedFormat =
    "You specified a character-separated date format\nbut only numeric date characters were "
    "found.";
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

// Splits line at delimiter into columns: runs of delimiters count as one,
// delimiters at either end are passed over, columns past the 20th ignored.
// Returns how many columns the line has; the views point into line.
int SplitColumns(std::string_view line, char delimiter,
                 std::array<std::string_view, kMaxColumns>& columns) {
    int count = 0;
    const char* p = line.data();
    const char* const end = p + line.size();
    while (count < kMaxColumns) {
        while (p < end && *p == delimiter) {
            ++p;
        }
        if (p == end) {
            break;
        }
        const char* const start = p;
        while (p < end && *p != delimiter) {
            ++p;
        }
        columns[static_cast<std::size_t>(count++)] =
            std::string_view(start, static_cast<std::size_t>(p - start));
    }
    return count;
}

// "N lines have ..." / "1 line has ...".
std::string LinesHave(long count, const char* plural, const char* singular) {
    return std::to_string(count) + (count == 1 ? " line " : " lines ") +
           (count == 1 ? singular : plural);
}

std::string NewPathFor(const std::string& dataPath) {
    // F3.DAT -> F3.NEW
    const std::size_t dot = dataPath.rfind('.');
    const std::size_t slash = dataPath.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return dataPath + ".NEW";
    }
    return dataPath.substr(0, dot) + ".NEW";
}

}  // namespace

int CConverter::ConvertRecords() {
    const std::string directory = DatabaseDirectory();
    int number = m_nFileNumber;
    if (number == 0) {
        MasterRecord entry;
        if (FindSecurity(directory, m_szSymbol, entry) != kFound) {
            return Fail(
                "SecurityNotInMaster", {m_szSymbol, m_szMasterPath},
                "The security " + m_szSymbol + " is not in the Master file:\n" + m_szMasterPath);
        }
        number = entry.fileNumber;
    }
    const auto fileNumber = static_cast<std::uint8_t>(number);
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        if ((m_bFieldOn[s] != 0 || slot == kSlotDate) &&
            (m_nFieldCol[s] < 0 || m_nFieldCol[s] >= kMaxColumns)) {
            return Fail("ColumnOutOfRange", {kFieldLabels[s], std::to_string(kMaxColumns)},
                        "The column of the " + std::string(kFieldLabels[s]) +
                            " field must be between 1 and " + std::to_string(kMaxColumns) + ".");
        }
    }

    File input;
    if (!input.Open(m_strInputPath, File::Mode::Read)) {
        return Fail("CannotOpenInputFile", {m_strInputPath},
                    "Cannot open the input file:\n" + m_strInputPath);
    }

    if (StartNewDataFile(fileNumber) != 0) {
        return 1;
    }

    std::array<std::string_view, kMaxColumns> columns;
    const char delimiter = m_szDelimiter.empty() ? '\0' : m_szDelimiter[0];
    const bool priceFieldOn = m_bFieldOn[kSlotOpen] != 0 || m_bFieldOn[kSlotHigh] != 0 ||
                              m_bFieldOn[kSlotLow] != 0 || m_bFieldOn[kSlotClose] != 0;
    int stop = 0;
    int dateFormatError = 0;
    int failed = 0;
    bool writeFailed = false;
    bool checked = false;
    int lineCount = 0;
    long lineNumber = 0;
    long undatedLines = 0;
    long firstUndatedLine = 0;
    long unpricedLines = 0;
    long firstUnpricedLine = 0;
    long shortLines = 0;
    long firstShortLine = 0;
    Bytes4 firstDate{};
    Bytes4 lastDate{};
    std::string_view line;
    std::string date;

    LineReader reader(input);
    bool firstLine = true;
    bool utf16 = false;
    auto readLine = [&]() {
        if (!reader.Next(line)) {
            return false;
        }
        ++lineNumber;
        if (firstLine) {
            firstLine = false;
            utf16 = StartsUtf16(line);
            // A byte-order mark must not spoil the first line's date.
            StripUtf8Bom(line);
        }
        return !utf16;
    };
    if (m_bSkipRows == 1) {
        for (int i = 0; i < m_nSkipRows && readLine(); ++i) {
        }
    }
    while (stop == 0 && readLine()) {
        // A column the line lacks reads as empty.
        const int count = SplitColumns(WithoutLineEnd(line), delimiter, columns);
        if (count == 0) {
            continue;
        }
        const int dateColumn = m_nFieldCol[kSlotDate];
        const std::string_view dateText =
            dateColumn < count ? columns[static_cast<std::size_t>(dateColumn)] : std::string_view();
        const std::size_t dateLength = CLength(dateText);
        if (dateLength >= kDateStopLength) {
            stop = 1;
            break;
        }
        int recognised = 0;
        std::uint16_t day = 0;
        if (m_bMonthNames == 1) {
            date.assign(dateText.substr(0, dateLength));
            recognised = TranslateMonthName(date);
            day = ParseDateText(date, m_nDateFormat);
        } else {
            day = ParseDateText(dateText.substr(0, dateLength), m_nDateFormat);
        }
        // The checks judge the first line that has a date column.
        if (!checked && dateColumn < count) {
            checked = true;
            const bool nonDigit = !AllDigits(dateText);
            if (m_nDateFormat > 6 && nonDigit && recognised == 0) {
                dateFormatError = 1;
                Say("NumericOnlyDateFormat", {}, kNumericOnlyFormat);
            } else if (m_nDateFormat < 7 && !nonDigit) {
                dateFormatError = 1;
                Say("SeparatedDateFormat", {}, kSeparatedFormat);
            }
        }
        if (day == 0) {
            // A record without a date would show up as garbage in charts.
            if (undatedLines++ == 0) {
                firstUndatedLine = lineNumber;
            }
            continue;
        }
        bool priced = false;
        bool lacksColumn = false;
        for (int slot = 1; slot < kFieldSlots; ++slot) {
            const auto s = static_cast<std::size_t>(slot);
            float value = 0.0F;
            if (m_bFieldOn[s] != 0) {
                const int column = m_nFieldCol[s];
                if (column < count) {
                    // Text that is no number (n/a, null, a quoted value) reads as 0.
                    const auto number = ReadNumber(columns[static_cast<std::size_t>(column)]);
                    if (number) {
                        value = *number;
                        priced = priced || slot <= kSlotClose;
                    }
                } else {
                    lacksColumn = true;
                }
            }
            m_fValue[s] = FloatToMbf(value);
        }
        if (priceFieldOn && !priced) {
            // A bar of zeros would plot as a crash to 0 (holiday rows of "null").
            if (unpricedLines++ == 0) {
                firstUnpricedLine = lineNumber;
            }
            continue;
        }
        m_fValue[kSlotDate] = DayNumberToStoredDate(day);
        if (lineCount == kMaxPriceRecords) {
            failed |= Fail(
                "TooManyPriceLines", {std::to_string(kMaxPriceRecords), std::to_string(lineNumber)},
                "The input has more price lines than a data file can hold (" +
                    std::to_string(kMaxPriceRecords) + ").\nThe conversion stopped at line " +
                    std::to_string(lineNumber) + "; the lines before it were converted.");
            break;
        }
        if (AppendPriceRecord(fileNumber) != 0) {
            writeFailed = true;
            break;
        }
        if (lacksColumn && shortLines++ == 0) {
            firstShortLine = lineNumber;
        }
        if (lineCount == 0) {
            firstDate = m_fValue[kSlotDate];
        }
        lastDate = m_fValue[kSlotDate];
        ++lineCount;
    }
    const bool readFailed = input.Failed();
    input.Close();
    if (utf16) {
        DiscardNewDataFile();
        return Fail("Utf16Input", {m_strInputPath}, Utf16Message(m_strInputPath));
    }
    writeFailed = writeFailed || !WritePendingRecords();
    if (readFailed) {
        failed |= Fail("CannotReadInputFile", {m_strInputPath},
                       "Cannot read the input file:\n" + m_strInputPath);
    }
    if (writeFailed) {
        // The data file keeps what it had; nothing refers to the lost lines.
        DiscardNewDataFile();
        failed |= Fail("CannotWriteTemporaryFile", {m_strNewDataPath},
                       "Cannot write the temporary file (is the disk full?):\n" + m_strNewDataPath);
    }

    if (undatedLines > 0) {
        Say("LinesWithoutDate", {std::to_string(undatedLines), std::to_string(firstUndatedLine)},
            std::to_string(undatedLines) + (undatedLines == 1 ? " line has" : " lines have") +
                " no valid date in the chosen date format and " +
                (undatedLines == 1 ? "was" : "were") + " not converted.\nThe first is line " +
                std::to_string(firstUndatedLine) + " of the input file.",
            kMbOk | kMbIconExclamation);
    }
    if (unpricedLines > 0) {
        Say("LinesWithoutPrice", {std::to_string(unpricedLines), std::to_string(firstUnpricedLine)},
            LinesHave(unpricedLines,
                      "have a date but no price (no open, high, low or close is a "
                      "number) and were not converted.\nThe first is line ",
                      "has a date but no price (no open, high, low or close is a "
                      "number) and was not converted.\nIt is line ") +
                std::to_string(firstUnpricedLine) + " of the input file.",
            kMbOk | kMbIconExclamation);
    }
    if (shortLines > 0) {
        Say("LinesMissingColumns", {std::to_string(shortLines), std::to_string(firstShortLine)},
            LinesHave(shortLines,
                      "have fewer columns than the settings need; their missing fields "
                      "were stored as 0. The first is line ",
                      "has fewer columns than the settings need; its missing fields "
                      "were stored as 0. It is line ") +
                std::to_string(firstShortLine) + ".",
            kMbOk | kMbIconExclamation);
    }
    m_result.linesWithoutDate = static_cast<int>(undatedLines);
    m_result.firstLineWithoutDate = static_cast<int>(firstUndatedLine);
    m_result.linesWithoutPrice = static_cast<int>(unpricedLines);
    m_result.firstLineWithoutPrice = static_cast<int>(firstUnpricedLine);
    m_result.linesMissingColumns = static_cast<int>(shortLines);
    m_result.firstLineMissingColumns = static_cast<int>(firstShortLine);
    if (writeFailed) {
        lineCount = 0;  // none of them is kept
    }
    m_result.recordsWritten = lineCount;
    if (lineCount > 0) {
        m_result.firstDate = MbfToFloat(firstDate.data());
        m_result.lastDate = MbfToFloat(lastDate.data());
    }
    if (lineCount == 0) {
        if (stop == 0 && failed == 0) {
            failed |= Fail("NoPriceLines", {m_strInputPath},
                           "No price lines were found in the input file:\n" + m_strInputPath);
        }
        DiscardNewDataFile();
        return 1;
    }
    const int r1 = SetMasterDates(firstDate, lastDate, fileNumber);
    const int r2 = SetRecordCount(static_cast<std::uint16_t>(lineCount), fileNumber);
    return r1 | r2 | stop | dateFormatError | failed;
}

int CConverter::StartNewDataFile(std::uint8_t fileNumber) {
    const std::string directory = DatabaseDirectory();
    m_strDataPath = ExistingDataFilePath(directory, fileNumber);
    m_strNewDataPath = NewPathFor(m_strDataPath);
    const std::size_t recordSize = 4 * static_cast<std::size_t>(std::max(m_nFieldCount, 1));
    m_recordBytes = 0;

    File in;
    if (!in.Open(m_strDataPath, File::Mode::Read)) {
        return Fail("CannotOpenDataFile", {m_strDataPath},
                    "Cannot open the data file:\n" + m_strDataPath);
    }
    const auto size = in.Size();
    m_header.assign(recordSize, 0);
    if (!size || !in.ReadExact(m_header.data(), recordSize)) {
        return Fail("CannotReadDataFile", {m_strDataPath},
                    "Cannot read the data file:\n" + m_strDataPath);
    }
    if (!m_dataFile.Open(m_strNewDataPath, File::Mode::Write)) {
        return Fail("CannotCreateTemporaryFile", {m_strNewDataPath},
                    "Cannot create the temporary file:\n" + m_strNewDataPath);
    }
    // The header goes first as a place holder; SetRecordCount rewrites it
    // with the final count. Whole records only, as the header counts them.
    bool ok = m_dataFile.Write(m_header.data(), recordSize);
    std::uint64_t remaining = (*size / recordSize) * recordSize - recordSize;
    m_records.resize(std::max(kRecordBlock, recordSize));
    while (ok && remaining > 0) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_records.size(), remaining));
        if (!in.ReadExact(m_records.data(), want)) {
            DiscardNewDataFile();
            return Fail("CannotReadDataFile", {m_strDataPath},
                        "Cannot read the data file:\n" + m_strDataPath);
        }
        ok = m_dataFile.Write(m_records.data(), want);
        remaining -= want;
    }
    if (!ok) {
        DiscardNewDataFile();
        return Fail("CannotWriteTemporaryFile", {m_strNewDataPath},
                    "Cannot write the temporary file (is the disk full?):\n" + m_strNewDataPath);
    }
    return 0;
}

void CConverter::DiscardNewDataFile() {
    if (m_dataFile.IsOpen()) {
        m_dataFile.Close();
        RemoveFile(m_strNewDataPath);
    }
    m_recordBytes = 0;
}

int CConverter::AppendPriceRecord(std::uint8_t /*fileNumber*/) {
    // Records are gathered and written a block at a time.
    if (!m_dataFile.IsOpen() ||
        (m_recordBytes + 4 * kFieldSlots > m_records.size() && !WritePendingRecords())) {
        return 1;
    }
    std::uint8_t* out = m_records.data() + m_recordBytes;
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        if (m_bFieldOn[s] != 0) {
            std::memcpy(out, m_fValue[s].data(), 4);
            out += 4;
        }
    }
    m_recordBytes = static_cast<std::size_t>(out - m_records.data());
    return 0;
}

bool CConverter::WritePendingRecords() {
    const bool ok = m_dataFile.Write(m_records.data(), m_recordBytes);
    m_recordBytes = 0;
    return ok;
}

int CConverter::SetMasterDates(const Bytes4& firstDate, const Bytes4& lastDate,
                               std::uint8_t fileNumber) {
    const std::string newPath = m_szMasterPath + ".NEW";
    auto content = ReadWholeFile(m_szMasterPath);
    if (!content || content->size() < kMasterRecordSize) {
        return Fail("CannotReadMasterFile", {m_szMasterPath},
                    "Cannot read the Master file:\n" + m_szMasterPath);
    }
    // The header and any bytes after the last whole record are kept as read.
    for (std::size_t offset = kMasterRecordSize; offset + kMasterRecordSize <= content->size();
         offset += kMasterRecordSize) {
        if (static_cast<std::uint8_t>((*content)[offset]) == fileNumber) {
            std::copy(firstDate.begin(), firstDate.end(),
                      content->begin() + static_cast<long>(offset + 25));
            std::copy(lastDate.begin(), lastDate.end(),
                      content->begin() + static_cast<long>(offset + 29));
        }
    }
    File out;
    bool ok = out.Open(newPath, File::Mode::Write) && out.Write(*content) && out.Flush(true);
    ok = out.Close() && ok;
    if (!ok) {
        RemoveFile(newPath);
        return Fail("CannotWriteTemporaryFile", {newPath},
                    "Cannot write the temporary file (is the disk full?):\n" + newPath);
    }
    if (!ReplaceFile(newPath, m_szMasterPath)) {
        RemoveFile(newPath);
        return Fail("CannotUpdateMasterFile", {m_szMasterPath},
                    "Cannot update the Master file:\n" + m_szMasterPath);
    }
    return 0;
}

int CConverter::SetRecordCount(std::uint16_t priceRecords, std::uint8_t fileNumber) {
    if (!m_dataFile.IsOpen() && StartNewDataFile(fileNumber) != 0) {
        return 1;
    }
    PutU16(m_header.data() + 2, static_cast<std::uint16_t>(priceRecords + 1U));
    bool ok = WritePendingRecords() && m_dataFile.Seek(0) &&
              m_dataFile.Write(m_header.data(), m_header.size()) && m_dataFile.Flush(true);
    ok = m_dataFile.Close() && ok;
    if (!ok) {
        RemoveFile(m_strNewDataPath);
        return Fail("CannotWriteTemporaryFile", {m_strNewDataPath},
                    "Cannot write the temporary file (is the disk full?):\n" + m_strNewDataPath);
    }
    if (!ReplaceFile(m_strNewDataPath, m_strDataPath)) {
        RemoveFile(m_strNewDataPath);
        return Fail("CannotReplaceDataFile", {m_strDataPath},
                    "Cannot replace the data file:\n" + m_strDataPath);
    }
    return 0;
}

}  // namespace torvan
