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

}  // namespace

int CConverter::ConvertRecords() {
    // CSV reading, a footer and UTF-16 text take the layout reader.
    if (m_bCsv != 0 || m_nFooterRows > 0 || StartsWithUtf16Mark(ReadPath())) {
        return ConvertLines();
    }
    // The security is the one AddSecurity entered in this run; its data file
    // is the work file that Commit puts in place.
    if (m_nFileNumber == 0 || m_strDataPath.empty()) {
        return Fail(
            "SecurityNotAdded", {m_szSymbol, m_szMasterPath},
            "The security " + m_szSymbol + " was not added to the Master file:\n" + m_szMasterPath);
    }
    const int fileNumber = m_nFileNumber;
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
    if (!input.Open(ReadPath(), File::Mode::Read)) {
        return Fail("CannotOpenInputFile", {ReadPath()},
                    "Cannot open the input file:\n" + ReadPath());
    }

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
            stop = Fail("DateColumnTooLong",
                        {std::to_string(lineNumber), std::to_string(CLength(dateText))},
                        "Line " + std::to_string(lineNumber) +
                            " of the input file has a date column of " +
                            std::to_string(CLength(dateText)) +
                            " characters, more than any date has.\nNothing was converted.");
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
            // Nothing of a run that fails is kept, so there is no point in
            // reading on.
            if (dateFormatError != 0) {
                break;
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
                    std::to_string(kMaxPriceRecords) + "); line " + std::to_string(lineNumber) +
                    " is the first beyond them.\nNothing was converted.");
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
    // No sync here: the header update below syncs the file.
    bool dataOk = m_dataFile.Flush(false);
    dataOk = m_dataFile.Close() && dataOk;
    if (readFailed) {
        failed |=
            Fail("CannotReadInputFile", {ReadPath()}, "Cannot read the input file:\n" + ReadPath());
    }
    if (!dataOk && failed == 0 && stop == 0 && dateFormatError == 0) {
        failed |= Fail("CannotWriteDataFile", {m_strDataPath},
                       "Cannot write to the data file (is the disk full?):\n" + m_strDataPath);
    }
    // A run that fails keeps nothing of its records; the messages so far
    // said why.
    if (stop != 0 || dateFormatError != 0 || failed != 0) {
        return 1;
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
        if (m_strDataPath.empty() || fileNumber != m_nFileNumber ||
            !m_dataFile.Open(m_strDataPath, File::Mode::Append)) {
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
    // MASTER is written once, by Commit, with the dates already in place.
    if (m_masterContent.size() < kMasterRecordSize) {
        return Fail(
            "SecurityNotAdded", {m_szSymbol, m_szMasterPath},
            "The security " + m_szSymbol + " was not added to the Master file:\n" + m_szMasterPath);
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
        return Fail(
            "SecurityNotAdded", {m_szSymbol, m_szMasterPath},
            "The security " + m_szSymbol + " was not added to the Master file:\n" + m_szMasterPath);
    }
    m_dataFile.Close();
    File data;
    if (!data.Open(m_strDataPath, File::Mode::Update)) {
        return Fail("CannotOpenDataFile", {m_strDataPath},
                    "Cannot open the data file:\n" + m_strDataPath);
    }
    std::uint8_t count[2];
    PutU16(count, static_cast<std::uint16_t>(priceRecords + 1U));
    bool ok = data.Seek(2) && data.Write(count, sizeof count) && data.Flush(true);
    ok = data.Close() && ok;
    if (!ok) {
        return Fail("CannotWriteDataFile", {m_strDataPath},
                    "Cannot write to the data file (is the disk full?):\n" + m_strDataPath);
    }
    return 0;
}

}  // namespace torvan
