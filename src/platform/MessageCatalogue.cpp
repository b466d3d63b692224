// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MessageCatalogue.h"

#include <algorithm>
#include <iterator>

namespace torvan {
namespace {

constexpr unsigned kError = kMbOk | kMbIconExclamation;
constexpr unsigned kNote = kMbOk | kMbIconInformation;

using Id = MessageId;

// Texts keep the line breaks a dialog shows; a terminal joins the lines
// (OneLine).
constexpr MessageEntry kEntries[] = {
    // Conversion settings
    {Id::kIntegerOutOfRange, "IntegerOutOfRange", kError, "low high",
     "Please enter an integer between {low} and {high}."},
    {Id::kSwitchedOffColumnOutOfRange, "SwitchedOffColumnOutOfRange", kError, "field low high",
     "The column of {field} must be an integer between {low} and {high}, also while {field} is "
     "switched off. Tick {field} to correct it."},
    {Id::kTextTooLong, "TextTooLong", kError, "limit", "Enter no more than {limit} characters."},
    {Id::kInputPathTooLong, "InputPathTooLong", kError, "limit path",
     "The input file's path is longer than {limit} characters:\n{path}"},
    {Id::kDuplicateColumns, "DuplicateColumns", kMbOk, "",
     "Duplicate columns specified\nCorrect or disable"},
    {Id::kInvalidSymbol, "InvalidSymbol", kMbOk, "", "You did not enter a valid symbol"},
    {Id::kEnterPath, "EnterPath", kMbOk, "", "Please enter path"},
    {Id::kUnknownDateFormat, "UnknownDateFormat", kError, "format list",
     "The date format \"{format}\" is not one of {list}."},
    {Id::kDecimalCommaWithoutCsv, "DecimalCommaWithoutCsv", kError, "",
     "A decimal comma can only be read with CSV reading."},
    {Id::kReverseWithTickerColumn, "ReverseWithTickerColumn", kError, "",
     "A file with a ticker column cannot be reversed: its lines belong to many securities.\nSort "
     "each ticker's lines oldest day first and convert the file without reversing."},
    {Id::kTickerNotASymbol, "TickerNotASymbol", kError, "ticker limit",
     "The ticker \"{ticker}\" cannot be a symbol: a symbol has at most {limit} characters and no "
     "control characters.\nIts lines were not converted."},
    {Id::kLinesWithoutTicker, "LinesWithoutTicker", kError, "count first",
     "{count} lines have no ticker and were not converted.\nThe first is line {first} of the "
     "input file.",
     "{count} line has no ticker and was not converted.\nThe first is line {first} of the input "
     "file."},
    {Id::kReverseNote, "ReverseNote", kNote, "",
     "Your original input file will be \nsaved with the extension BAK.\n\nThen the file will be "
     "reversed so\nthe oldest entry is first."},
    {Id::kMonthNamesNote, "MonthNamesNote", kNote, "",
     "If your original input file expresses\nmonths as three-letter strings then Torvan will "
     "\nautomatically translate this to two-digit months. \n\nYour original source file will not "
     "be changed."},
    {Id::kDetectionFailed, "DetectionFailed", kError, "reason",
     "Torvan could not find the layout of the input file.\n\n{reason}\n\nThe settings have not "
     "been changed."},
    // findings: a paragraph for every guess and warning, each after an empty
    // line.
    {Id::kDetectionWarnings, "DetectionWarnings", kNote, "findings",
     "The settings now show the layout read from the input file.{findings}\n\nCheck the settings "
     "and confirm with OK."},
    // Choosing a directory
    {Id::kPathMissing, "PathMissing", kMbOk, "", "Please enter path"},
    {Id::kInvalidPathName, "InvalidPathName", kMbOk, "path", "{path} is not a valid pathname."},
    {Id::kCreateDirectory, "CreateDirectory", kMbYesNo, "path",
     "Directory {path} does not exist.\nCreate this directory?"},
    {Id::kCreateDirectoryFailed, "CreateDirectoryFailed", kMbOk, "path",
     "There was a problem creating {path}.\nThe new directory was not created."},
    // The desktop program
    {Id::kCannotOpenFile, "CannotOpenFile", kError, "path reason",
     "Cannot open the file:\n{path}\n\n{reason}"},
    {Id::kConversionSucceeded, "ConversionSucceeded", kNote, "",
     "Conversion completed successfully!"},
    {Id::kConversionFailed, "ConversionFailed", kError, "", "Conversion failed."},
    {Id::kOutOfMemory, "OutOfMemory", kError, "",
     "There was not enough memory to finish, and the work was stopped."},
    {Id::kUnexpectedFailure, "UnexpectedFailure", kError, "reason",
     "The work was stopped by an unexpected error:\n{reason}"},
    {Id::kReadBackFailed, "ReadBackFailed", kError, "symbol path",
     "The conversion reported no error, but the new security {symbol} cannot be read back from "
     "the database as it was written:\n{path}\nRun torvan-cli check on the database folder."},
    {Id::kConversionWritten, "ConversionWritten", kNote, "symbol file records first last directory",
     "{symbol} was written as {file}: {records} price records from {first} to {last}, in the "
     "database folder\n{directory}"},
    {Id::kDatabaseUnlisted, "DatabaseUnlisted", kMbOk, "path",
     "This folder holds no database whose securities can be listed (no readable MASTER "
     "file):\n{path}"},
    // A conversion
    {Id::kDatabaseBusy, "DatabaseBusy", kError, "path",
     "Another conversion is writing to this database:\n{path}\nTry again when it has finished."},
    {Id::kLockFileNotAFile, "LockFileNotAFile", kError, "path",
     "This database cannot be locked against other conversions: its lock file is not a plain "
     "file.\n{path}\nRemove it and try again."},
    {Id::kCannotLockDatabase, "CannotLockDatabase", kError, "path reason",
     "This database cannot be locked against other conversions: its lock file cannot be created "
     "or opened ({reason}).\n{path}"},
    {Id::kInterruptedConversionLeftovers, "InterruptedConversionLeftovers", kError, "path",
     "An earlier conversion into this database was interrupted, and what it left cannot be "
     "cleared away:\n{path}"},
    {Id::kInterruptedConversionInputBusy, "InterruptedConversionInputBusy", kError, "path",
     "An earlier conversion into this database was interrupted, and it can only be finished once "
     "no other conversion is reversing its input file:\n{path}\nTry again when that conversion "
     "has finished."},
    {Id::kInterruptedConversionOutOfReach, "InterruptedConversionOutOfReach", kError, "path",
     "An earlier conversion into this database was interrupted, and it cannot be finished while "
     "this file or its folder cannot be found:\n{path}\nIf the folder was moved, or is on a disk "
     "that is not attached, put it back and try again."},
    {Id::kPathDoesNotExist, "PathDoesNotExist", kMbOk, "path", "Path does not exist"},
    {Id::kOutputPathTooLong, "OutputPathTooLong", kError, "length limit path",
     "The output directory path is too long ({length} characters; at most {limit} are "
     "allowed):\n{path}"},
    {Id::kNoMasterFile, "NoMasterFile", kMbOk, "path",
     "Path specified does not point to a Master file"},
    {Id::kMasterExists, "MasterExists", kMbOk, "path", "New Master chosen but one already exists"},
    {Id::kIndexFileExists, "IndexFileExists", kError, "path file",
     "New Master chosen but the directory already holds an {file} file:\n{path}"},
    {Id::kMoreColumnsNeeded, "MoreColumnsNeeded", kNote, "", "You need to select more columns"},
    {Id::kColumnOutOfRange, "ColumnOutOfRange", kError, "field columns",
     "The column of the {field} field must be between 1 and {columns}."},
    {Id::kDuplicateSymbol, "DuplicateSymbol", kMbOk, "",
     "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already "
     "exists.\n\nChoose a different symbol or\nrename/delete the existing symbol"},
    {Id::kCannotCheckSymbol, "CannotCheckSymbol", kError, "path",
     "Cannot read the Master file, so the symbol could not be checked:\n{path}"},
    {Id::kInputReadOnly, "InputReadOnly", kError, "path",
     "The input file is read-only, so its lines cannot be reversed:\n{path}\nMake it writable, or "
     "convert without reversing."},
    {Id::kInputFolderReadOnly, "InputFolderReadOnly", kError, "path",
     "The folder of the input file does not allow new files, so its lines cannot be "
     "reversed:\n{path}"},
    {Id::kInputOwnedByOtherUser, "InputOwnedByOtherUser", kError, "path",
     "The input file belongs to another user; reversing its lines would make it yours:\n{path}\n"
     "Copy it, or convert without reversing."},
    {Id::kInputBusy, "InputBusy", kError, "path",
     "Another conversion is reversing this input file:\n{path}\nTry again when it has finished."},
    {Id::kInputLockNotAFile, "InputLockNotAFile", kError, "path",
     "The input file cannot be locked against other conversions: its lock file is not a plain "
     "file.\n{path}\nRemove it and try again."},
    {Id::kCannotLockInput, "CannotLockInput", kError, "path reason",
     "The input file cannot be locked against other conversions: its lock file cannot be created "
     "or opened ({reason}).\n{path}"},
    {Id::kCannotOpenMasterFile, "CannotOpenMasterFile", kError, "path",
     "Cannot open the Master file:\n{path}"},
    {Id::kCannotReadMasterFile, "CannotReadMasterFile", kError, "path",
     "Cannot read the Master file:\n{path}"},
    {Id::kCannotWriteJournal, "CannotWriteJournal", kError, "path",
     "Cannot write the journal file (is the disk full?):\n{path}"},
    {Id::kCannotCreateFile, "CannotCreateFile", kError, "path", "Cannot create the file:\n{path}"},
    {Id::kWritePermissionDenied, "WritePermissionDenied", kError, "path",
     "Permission denied: this file or its folder may not be written:\n{path}\nNothing was "
     "changed in the database."},
    {Id::kReadOnlyFileSystem, "ReadOnlyFileSystem", kError, "path",
     "The file system is read-only, so this file cannot be written:\n{path}\nNothing was changed "
     "in the database."},
    {Id::kDiskFull, "DiskFull", kError, "path",
     "The disk is full (or your disk quota is used up), so this file cannot be written:\n{path}\n"
     "Nothing was changed in the database."},
    {Id::kNothingToCommit, "NothingToCommit", kError, "",
     "There is no new security to put in place."},
    {Id::kCannotWriteTemporaryFile, "CannotWriteTemporaryFile", kError, "path",
     "Cannot write the temporary file (is the disk full?):\n{path}"},
    {Id::kFileChangedMeanwhile, "FileChangedMeanwhile", kError, "path",
     "Another program changed this file during the conversion, so nothing was written:\n{path}"},
    {Id::kCannotRestoreReplacedFiles, "CannotRestoreReplacedFiles", kError, "path",
     "Cannot replace the file, and the files replaced before it could not all be "
     "restored:\n{path}\nThe next conversion into this database restores them."},
    {Id::kCannotReplaceFile, "CannotReplaceFile", kError, "path",
     "Cannot replace the file:\n{path}"},
    {Id::kCannotReadIndexFile, "CannotReadIndexFile", kError, "path",
     "Cannot read the index file:\n{path}"},
    {Id::kIndexCountDisagrees, "IndexCountDisagrees", kError, "path counted held",
     "The entry count in the header of this index file ({counted}) disagrees with the entries the "
     "file holds ({held}), so nothing was added to the database:\n{path}\nRun torvan-cli check "
     "on the database folder to see what is wrong."},
    {Id::kSymbolTooLongForIndex, "SymbolTooLongForIndex", kError, "symbol limit",
     "The symbol {symbol} is longer than the {limit} characters that EMASTER and XMASTER "
     "hold.\nChoose a shorter symbol."},
    {Id::kEMasterOutOfStep, "EMasterOutOfStep", kError, "path known listed",
     "The EMASTER file does not match MASTER (it lists {known} securities, MASTER {listed}), so "
     "programs do not use its long names.\nIt was left as it is; the new security is listed in "
     "MASTER.\n{path}"},
    {Id::kEMasterCompleted, "EMasterCompleted", kNote, "path added",
     "The EMASTER file lacked the last {added} securities of MASTER; they were added to it, so "
     "that programs show the long names again.\n{path}"},
    {Id::kPortfolioFull, "PortfolioFull", kMbOk, "path",
     "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new "
     "portfolio.\n\nAn XMASTER index beside MASTER holds more securities; torvan-cli convert "
     "--xmaster makes one."},
    {Id::kNotAnXMaster, "NotAnXMaster", kError, "path",
     "The file is not an XMASTER index, so no security can be added to it:\n{path}"},
    {Id::kXMasterFull, "XMasterFull", kError, "path",
     "The XMASTER index has no free file number left:\n{path}"},
    {Id::kCannotOpenInputFile, "CannotOpenInputFile", kError, "path",
     "Cannot open the input file:\n{path}"},
    {Id::kCannotReadInputFile, "CannotReadInputFile", kError, "path",
     "Cannot read the input file:\n{path}"},
    {Id::kInputNotAFile, "InputNotAFile", kError, "path",
     "The input is not a regular file but a device, a pipe or a socket, which Torvan does not "
     "read:\n{path}"},
    {Id::kLineTooLong, "LineTooLong", kError, "line path limit",
     "Line {line} of the input file is longer than {limit} bytes, which no price line is; the "
     "file is not read:\n{path}"},
    {Id::kCannotCreateTemporaryFile, "CannotCreateTemporaryFile", kError, "path",
     "Cannot create the temporary file:\n{path}"},
    {Id::kCannotKeepInputPermissions, "CannotKeepInputPermissions", kError, "path",
     "Cannot give the temporary file the permissions of the input file:\n{path}"},
    {Id::kCannotBackUpInputFile, "CannotBackUpInputFile", kError, "path",
     "Cannot make the backup copy of the input file:\n{path}"},
    {Id::kCannotReplaceInputFile, "CannotReplaceInputFile", kError, "path",
     "Cannot replace the input file with its reversed lines:\n{path}"},
    {Id::kSecurityNotAdded, "SecurityNotAdded", kError, "symbol path",
     "The security {symbol} was not added to the Master file:\n{path}"},
    {Id::kCannotOpenDataFile, "CannotOpenDataFile", kError, "path",
     "Cannot open the data file:\n{path}"},
    {Id::kCannotWriteDataFile, "CannotWriteDataFile", kError, "path",
     "Cannot write to the data file (is the disk full?):\n{path}"},
    {Id::kDateColumnTooLong, "DateColumnTooLong", kError, "line length",
     "Line {line} of the input file has a date column of {length} characters, more than any date "
     "has.\nNothing was converted."},
    {Id::kNumericOnlyDateFormat, "NumericOnlyDateFormat", kMbOk, "",
     "You specified a numeric-only date format\nbut a non-numeric date character was found."},
    {Id::kSeparatedDateFormat, "SeparatedDateFormat", kMbOk, "",
     "You specified a character-separated date format\nbut only numeric date characters were "
     "found."},
    {Id::kTooManyPriceLines, "TooManyPriceLines", kError, "limit line",
     "The input has more price lines than a data file can hold ({limit}); line {line} is the "
     "first beyond them.\nNothing was converted."},
    {Id::kNoPriceLines, "NoPriceLines", kError, "path",
     "No price lines were found in the input file:\n{path}"},
    {Id::kLinesWithoutDate, "LinesWithoutDate", kError, "count first",
     "{count} lines have no valid date in the chosen date format and were not converted.\nThe "
     "first is line {first} of the input file.",
     "{count} line has no valid date in the chosen date format and was not converted.\nThe first "
     "is line {first} of the input file."},
    {Id::kLinesWithoutPrice, "LinesWithoutPrice", kError, "count first",
     "{count} lines have a date but no price (no open, high, low or close is a number) and were "
     "not converted.\nThe first is line {first} of the input file.",
     "{count} line has a date but no price (no open, high, low or close is a number) and was not "
     "converted.\nThe first is line {first} of the input file."},
    {Id::kLinesMissingColumns, "LinesMissingColumns", kError, "count first",
     "{count} lines have fewer columns than the settings need; their missing fields were stored "
     "as 0. The first is line {first}.",
     "{count} line has fewer columns than the settings need; its missing fields were stored as 0. "
     "It is line {first}."},
    // Adding days to a security
    {Id::kSecurityNotUpdatable, "SecurityNotUpdatable", kError, "symbol path",
     "The records of {symbol} hold fields that the lines of a daily price file cannot give (a "
     "time of day, or fields its description file names otherwise), so no days were added to "
     "it:\n{path}"},
    {Id::kPriceFileCountDisagrees, "PriceFileCountDisagrees", kError, "symbol path",
     "The price file of {symbol} does not hold the records its header counts, so no days were "
     "added to it ('torvan-cli check' tells more):\n{path}"},
    {Id::kSecurityFieldsNotInFile, "SecurityFieldsNotInFile", kNote, "count symbol fields",
     "{count} new records of {symbol} have no value in the file for {fields}; those fields were "
     "stored as 0.",
     "{count} new record of {symbol} has no value in the file for {fields}; those fields were "
     "stored "
     "as 0."},
    {Id::kUpdateDaysDiffer, "UpdateDaysDiffer", kNote, "count symbol first",
     "{count} days of the file on or before the last stored date of {symbol} differ from what it "
     "holds; they were kept as stored. The first is {first}.",
     "{count} day of the file on or before the last stored date of {symbol} differs from what it "
     "holds; it was kept as stored. It is {first}."},
    {Id::kUpdateDaysReplaced, "UpdateDaysReplaced", kNote, "count symbol first",
     "{count} stored days of {symbol} were replaced by the file's. The first is {first}.",
     "{count} stored day of {symbol} was replaced by the file's. It is {first}."},
    // Intraday bars and the order of dates
    {Id::kLinesOutOfOrder, "LinesOutOfOrder", kError, "count first",
     "{count} lines repeat the date (and time) of the line above them or come before it; charting "
     "programs need dates in ascending order.\nThe first is line {first} of the input file. The "
     "lines were stored as they are. The file may hold intraday "
     "bars read without their time column, several tickers read without their ticker column, or "
     "lines that are not in date order.",
     "{count} line repeats the date (and time) of the line above it or comes before it; charting "
     "programs need dates in ascending order.\nIt is line {first} of the input file. It was "
     "stored as it is. The file may hold intraday bars read "
     "without their time column, several tickers read without their ticker column, or lines that "
     "are not in date order."},
    {Id::kBarIntervalOutOfRange, "BarIntervalOutOfRange", kError, "minutes",
     "The bar interval of an intraday security must be 1 to 60 minutes, not {minutes}."},
    {Id::kBarIntervalUnknown, "BarIntervalUnknown", kError, "path spacing",
     "The bars in {path} are not 1 to 60 minutes apart (their most common spacing: {spacing}), so "
     "they cannot be stored as one intraday security.\nGive the bar interval in minutes, or build "
     "daily bars from the file."},
};

static_assert(std::size(kEntries) == static_cast<std::size_t>(MessageId::kBarIntervalUnknown) + 1,
              "one entry for every MessageId");

// Position of name among the blank-separated names, or -1.
int ParameterIndex(std::string_view name, const char* names) {
    int index = 0;
    const char* p = names;
    while (*p != '\0') {
        while (*p == ' ') {
            ++p;
        }
        const char* end = p;
        while (*end != '\0' && *end != ' ') {
            ++end;
        }
        if (end == p) {
            break;
        }
        if (name == std::string_view(p, static_cast<std::size_t>(end - p))) {
            return index;
        }
        ++index;
        p = end;
    }
    return -1;
}

}  // namespace

std::span<const MessageEntry> MessageCatalogue() {
    return kEntries;
}

const MessageEntry& CatalogueEntry(MessageId id) {
    return kEntries[static_cast<std::size_t>(id)];
}

std::string FillParameters(const char* text, const char* names,
                           const std::vector<std::string>& params) {
    const std::string_view rest(text);
    std::string result;
    std::size_t at = 0;
    while (at < rest.size()) {
        const std::size_t open = rest.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : rest.find('}', open);
        if (close == std::string_view::npos) {
            break;
        }
        result.append(rest.substr(at, open - at));
        const int index = ParameterIndex(rest.substr(open + 1, close - open - 1), names);
        if (index >= 0 && static_cast<std::size_t>(index) < params.size()) {
            result += params[static_cast<std::size_t>(index)];
        } else {
            result.append(rest.substr(open, close + 1 - open));
        }
        at = close + 1;
    }
    result.append(rest.substr(std::min(at, rest.size())));
    return result;
}

std::string MessageText(MessageId id, const std::vector<std::string>& params) {
    const MessageEntry& entry = CatalogueEntry(id);
    const bool one = entry.singular != nullptr && !params.empty() && params.front() == "1";
    std::string text = FillParameters(one ? entry.singular : entry.text, entry.params, params);
    const int path = ParameterIndex("path", entry.params);
    const auto at = static_cast<std::size_t>(path);
    if (path >= 0 && at < params.size() && !params[at].empty() &&
        std::string_view(entry.text).find("{path}") == std::string_view::npos) {
        text += text.empty() || std::string_view(".:?!").find(text.back()) != std::string_view::npos
                    ? "\n"
                    : ":\n";
        text += params[at];
    }
    return text;
}

Message MakeMessage(MessageId id, std::vector<std::string> params) {
    std::string text = MessageText(id, params);
    return Message{CatalogueEntry(id).name, std::move(params), std::move(text),
                   CatalogueEntry(id).type};
}

}  // namespace torvan
