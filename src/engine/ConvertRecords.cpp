#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "database/Dates.h"
#include "database/Master.h"
#include "engine/Converter.h"
#include "engine/InputText.h"
#include "engine/NumberText.h"
#include "engine/TextReader.h"

namespace torvan {
namespace {

constexpr const char* kNumericOnlyFormat =
    "You specified a numeric-only date format\nbut a non-numeric date character was found.";
constexpr const char* kSeparatedFormat =
    "You specified a character-separated date format\nbut only numeric date characters were "
    "found.";
// A date column this long ends the conversion.
constexpr std::size_t kDateStopLength = 50;

// Length of a text up to its first NUL, as the C string it stands for.
std::size_t CLength(const std::string& text) {
    return std::min(text.size(), text.find('\0'));
}

bool AllDigits(const std::string& text) {
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
// Columns beyond the line's last keep their earlier text. Returns how many
// columns the line has.
int SplitColumns(const std::string& line, char delimiter,
                 std::array<std::string, kMaxColumns>& columns) {
    int count = 0;
    std::size_t i = 0;
    const std::size_t length = line.size();
    while (i < length && count < kMaxColumns) {
        while (i < length && line[i] == delimiter) {
            ++i;
        }
        if (i == length) {
            break;
        }
        std::size_t end = i;
        while (end < length && line[end] != delimiter) {
            ++end;
        }
        columns[static_cast<std::size_t>(count++)].assign(line, i, end - i);
        i = end;
    }
    return count;
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
    // CSV reading, a footer and UTF-16 text take the layout reader.
    if (m_bCsv != 0 || m_nFooterRows > 0 || StartsWithUtf16Mark(m_strInputPath)) {
        return ConvertLines();
    }
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
    const int fileNumber = number;
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

    m_strDataPath = PriceFilePath(fileNumber);
    if (!m_dataFile.Open(m_strDataPath, File::Mode::Append)) {
        return Fail("CannotOpenDataFile", {m_strDataPath},
                    "Cannot open the data file:\n" + m_strDataPath);
    }

    std::array<std::string, kMaxColumns> columns;
    columns.fill("123");
    const char delimiter = m_szDelimiter.empty() ? '\0' : m_szDelimiter[0];
    int stop = 0;
    int dateFormatError = 0;
    int failed = 0;
    bool checked = false;
    int lineCount = 0;
    long lineNumber = 0;
    long undatedLines = 0;
    long firstUndatedLine = 0;
    Bytes4 firstDate{};
    Bytes4 lastDate{};
    std::string line;

    bool firstLine = true;
    bool utf16 = false;
    auto readLine = [&]() {
        if (!input.ReadLine(line)) {
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
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
        }
        if (SplitColumns(line, delimiter, columns) == 0) {
            continue;
        }

        const std::string& dateText = columns[static_cast<std::size_t>(m_nFieldCol[kSlotDate])];
        if (CLength(dateText) >= kDateStopLength) {
            stop = 1;
            break;
        }
        std::string date = dateText.substr(0, CLength(dateText));
        const int recognised = m_bMonthNames == 1 ? TranslateMonthName(date) : 0;
        const std::uint16_t day = ParseDateText(date, m_nDateFormat);
        if (!checked) {
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
        m_fValue[kSlotDate] = DayNumberToStoredDate(day);
        for (int slot = 1; slot < kFieldSlots; ++slot) {
            const auto s = static_cast<std::size_t>(slot);
            float value = 0.0F;
            if (m_bFieldOn[s] != 0) {
                // Text that is no number (n/a, null, a quoted value) reads as 0.
                value =
                    ReadNumber(columns[static_cast<std::size_t>(m_nFieldCol[s])]).value_or(0.0F);
            }
            m_fValue[s] = FloatToMbf(value);
        }
        if (lineCount == kMaxPriceRecords) {
            failed |= Fail(
                "TooManyPriceLines", {std::to_string(kMaxPriceRecords), std::to_string(lineNumber)},
                "The input has more price lines than a data file can hold (" +
                    std::to_string(kMaxPriceRecords) + ").\nThe conversion stopped at line " +
                    std::to_string(lineNumber) + "; the lines before it were converted.");
            break;
        }
        if (AppendPriceRecord(fileNumber) != 0) {
            failed |= Fail("CannotWriteDataFile", {m_strDataPath},
                           "Cannot write to the data file (is the disk full?):\n" + m_strDataPath);
            break;
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
        m_dataFile.Close();
        return Fail("Utf16Input", {m_strInputPath}, Utf16Message(m_strInputPath));
    }
    // No sync here: the header update below rewrites the file and syncs it.
    bool dataOk = m_dataFile.Flush(false);
    dataOk = m_dataFile.Close() && dataOk;
    if (readFailed) {
        failed |= Fail("CannotReadInputFile", {m_strInputPath},
                       "Cannot read the input file:\n" + m_strInputPath);
    }
    if (!dataOk && failed == 0) {
        failed |= Fail("CannotWriteDataFile", {m_strDataPath},
                       "Cannot write to the data file (is the disk full?):\n" + m_strDataPath);
    }

    if (undatedLines > 0) {
        Say("LinesWithoutDate", {std::to_string(undatedLines), std::to_string(firstUndatedLine)},
            std::to_string(undatedLines) + (undatedLines == 1 ? " line has" : " lines have") +
                " no valid date in the chosen date format and " +
                (undatedLines == 1 ? "was" : "were") + " not converted.\nThe first is line " +
                std::to_string(firstUndatedLine) + " of the input file.",
            kMbOk | kMbIconExclamation);
    }
    m_result.linesWithoutDate = static_cast<int>(undatedLines);
    m_result.firstLineWithoutDate = static_cast<int>(firstUndatedLine);
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
        return 1;
    }
    const int r1 = SetMasterDates(firstDate, lastDate, fileNumber);
    const int r2 = SetRecordCount(static_cast<std::uint16_t>(lineCount), fileNumber);
    return r1 | r2 | stop | dateFormatError | failed;
}

int CConverter::AppendPriceRecord(int fileNumber) {
    if (!m_dataFile.IsOpen()) {
        m_strDataPath = PriceFilePath(fileNumber);
        if (!m_dataFile.Open(m_strDataPath, File::Mode::Append)) {
            return 1;
        }
    }
    std::uint8_t record[4 * kFieldSlots];
    std::size_t size = 0;
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        if (m_bFieldOn[s] != 0) {
            std::copy(m_fValue[s].begin(), m_fValue[s].end(), record + size);
            size += 4;
        }
    }
    return m_dataFile.Write(record, size) ? 0 : 1;
}

int CConverter::SetMasterDates(const Bytes4& firstDate, const Bytes4& lastDate, int fileNumber) {
    if (m_bInXMaster && fileNumber == m_nFileNumber) {
        // A security beyond MASTER: only XMASTER lists it.
        return SetSideIndexDates(MbfToFloat(firstDate), MbfToFloat(lastDate), fileNumber);
    }
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
    return SetSideIndexDates(MbfToFloat(firstDate), MbfToFloat(lastDate), fileNumber);
}

int CConverter::SetRecordCount(std::uint16_t priceRecords, int fileNumber) {
    const std::string dataPath = PriceFilePath(fileNumber);
    const std::string newPath = NewPathFor(dataPath);
    const std::size_t recordSize = 4 * static_cast<std::size_t>(std::max(m_nFieldCount, 1));

    auto fail = [&](const char* id, const std::string& path, const std::string& text) {
        RemoveFile(newPath);
        return Fail(id, {path}, text);
    };
    File in;
    if (!in.Open(dataPath, File::Mode::Read)) {
        return Fail("CannotOpenDataFile", {dataPath}, "Cannot open the data file:\n" + dataPath);
    }
    auto size = in.Size();
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(recordSize * 2048, recordSize));
    if (!size || !in.ReadExact(buffer.data(), recordSize)) {
        return Fail("CannotReadDataFile", {dataPath}, "Cannot read the data file:\n" + dataPath);
    }
    File out;
    if (!out.Open(newPath, File::Mode::Write)) {
        return fail("CannotCreateTemporaryFile", newPath,
                    "Cannot create the temporary file:\n" + newPath);
    }
    PutU16(buffer.data() + 2, static_cast<std::uint16_t>(priceRecords + 1U));
    bool ok = out.Write(buffer.data(), recordSize);
    // Whole records only, as the header counts them.
    std::uint64_t remaining = (*size / recordSize) * recordSize - recordSize;
    while (ok && remaining > 0) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining));
        if (!in.ReadExact(buffer.data(), want)) {
            return fail("CannotReadDataFile", dataPath, "Cannot read the data file:\n" + dataPath);
        }
        ok = out.Write(buffer.data(), want);
        remaining -= want;
    }
    ok = ok && out.Flush(true);
    ok = out.Close() && ok;
    in.Close();
    if (!ok) {
        return fail("CannotWriteTemporaryFile", newPath,
                    "Cannot write the temporary file (is the disk full?):\n" + newPath);
    }
    if (!ReplaceFile(newPath, dataPath)) {
        return fail("CannotReplaceDataFile", dataPath,
                    "Cannot replace the data file:\n" + dataPath);
    }
    return 0;
}

}  // namespace torvan
