// The record conversion for the reading options beyond the classic ones:
// CSV reading, trailing footer lines and UTF-16 text. Every line goes
// through ReadPriceLine, the reading that the preview and the layout
// detection use too, so what they show is what is stored.
#include <algorithm>
#include <deque>
#include <string>

#include "database/Dates.h"
#include "database/Master.h"
#include "engine/Converter.h"
#include "engine/TextReader.h"

namespace torvan {
namespace {

constexpr const char* kNumericOnlyFormat =
    "You specified a numeric-only date format\nbut a non-numeric date character was found.";
constexpr const char* kSeparatedFormat =
    "You specified a character-separated date format\nbut only numeric date characters were "
    "found.";
constexpr std::size_t kDateStopLength = 50;

bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct HeldLine {
    long number = 0;
    PriceLine read;
};

}  // namespace

LineLayout CConverter::Layout() const {
    LineLayout layout;
    layout.delimiter = m_szDelimiter.empty() ? '\0' : m_szDelimiter[0];
    layout.csv = m_bCsv != 0;
    layout.decimalComma = m_bCsv != 0 && m_bDecimalComma != 0;
    layout.monthNames = m_bMonthNames == 1;
    layout.dateFormat = m_nDateFormat;
    layout.fieldOn = m_bFieldOn;
    layout.fieldOn[kSlotDate] = 1;
    layout.fieldCol = m_nFieldCol;
    return layout;
}

int CConverter::ConvertLines() {
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
    TextReader input;
    if (!input.Open(ReadPath())) {
        return Fail("CannotOpenInputFile", {ReadPath()},
                    "Cannot open the input file:\n" + ReadPath());
    }
    if (!m_dataFile.Open(m_strDataPath, File::Mode::Append)) {
        return Fail("CannotOpenDataFile", {m_strDataPath},
                    "Cannot open the data file:\n" + m_strDataPath);
    }

    const LineLayout layout = Layout();
    int stop = 0;
    int dateFormatError = 0;
    int failed = 0;
    bool checked = false;
    int lineCount = 0;
    long lineNumber = 0;
    long undated = 0;
    long firstUndated = 0;
    long unpriced = 0;
    long firstUnpriced = 0;
    long shortLines = 0;
    long firstShort = 0;
    Bytes4 firstDate{};
    Bytes4 lastDate{};

    // Returns false to stop reading.
    auto convert = [&](const HeldLine& held) {
        const PriceLine& read = held.read;
        if (read.dateText.size() >= kDateStopLength) {
            stop = Fail("DateColumnTooLong",
                        {std::to_string(held.number), std::to_string(read.dateText.size())},
                        "Line " + std::to_string(held.number) +
                            " of the input file has a date column of " +
                            std::to_string(read.dateText.size()) +
                            " characters, more than any date has.\nNothing was converted.");
            return false;
        }
        if (!checked && layout.fieldCol[kSlotDate] < read.columns) {
            // The classic reading judges the date as written; CSV reading
            // the date it made of it (time dropped, month names as numbers).
            checked = true;
            const bool nonDigit = !AllDigits(layout.csv ? read.readDate : read.dateText);
            const bool excused = !layout.csv && read.monthNameResult != 0;
            if (m_nDateFormat > 6 && nonDigit && !excused) {
                dateFormatError = 1;
                Say("NumericOnlyDateFormat", {}, kNumericOnlyFormat);
            } else if (m_nDateFormat < 7 && !nonDigit) {
                dateFormatError = 1;
                Say("SeparatedDateFormat", {}, kSeparatedFormat);
            }
            // Nothing of a run that fails is kept, so there is no point in
            // reading on.
            if (dateFormatError != 0) {
                return false;
            }
        }
        if (read.kind == LineKind::kNoDate) {
            if (undated++ == 0) {
                firstUndated = held.number;
            }
            return true;
        }
        if (read.kind == LineKind::kNoPrice) {
            // A bar of zeros would plot as a crash to 0 (holiday rows of "null").
            if (unpriced++ == 0) {
                firstUnpriced = held.number;
            }
            return true;
        }
        m_fValue[kSlotDate] = DayNumberToStoredDate(read.day);
        for (std::size_t s = 1; s < kFieldSlots; ++s) {
            m_fValue[s] = FloatToMbf(read.values[s]);
        }
        if (lineCount == kMaxPriceRecords) {
            failed |= Fail("TooManyPriceLines",
                           {std::to_string(kMaxPriceRecords), std::to_string(held.number)},
                           "The input has more price lines than a data file can hold (" +
                               std::to_string(kMaxPriceRecords) + "); line " +
                               std::to_string(held.number) +
                               " is the first beyond them.\nNothing was converted.");
            return false;
        }
        if (AppendPriceRecord(fileNumber) != 0) {
            failed |= Fail("CannotWriteDataFile", {m_strDataPath},
                           "Cannot write to the data file (is the disk full?):\n" + m_strDataPath);
            return false;
        }
        if (read.missingColumns && shortLines++ == 0) {
            firstShort = held.number;
        }
        if (lineCount == 0) {
            firstDate = m_fValue[kSlotDate];
        }
        lastDate = m_fValue[kSlotDate];
        ++lineCount;
        return true;
    };

    // The footer is the last lines that are not empty: hold that many back
    // until the next one comes.
    const std::size_t footer = static_cast<std::size_t>(std::max(0, m_nFooterRows));
    std::deque<HeldLine> held;
    std::string line;
    const long skip = m_bSkipRows == 1 ? m_nSkipRows : 0;
    bool going = true;
    while (going && input.ReadLine(line)) {
        ++lineNumber;
        if (lineNumber <= skip) {
            continue;
        }
        StripLineEnd(line);
        HeldLine next{lineNumber, ReadPriceLine(line, layout)};
        if (next.read.kind == LineKind::kEmpty) {
            continue;
        }
        held.push_back(std::move(next));
        if (held.size() > footer) {
            going = convert(held.front());
            held.pop_front();
        }
    }
    const bool readFailed = input.Failed();
    input.Close();
    const bool dataOk = CloseDataFile();
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
    ReportLineCounts(undated, firstUndated, unpriced, firstUnpriced, shortLines, firstShort);
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

}  // namespace torvan
