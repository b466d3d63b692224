// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Message.h"

namespace torvan {

// Every message the program shows, by id. The catalogue holds each one's
// stable name, parameters, English text and box type, so that a text is
// written once and an id means one text wherever it is shown.
enum class MessageId : int {
    // Conversion settings
    kIntegerOutOfRange,
    kSwitchedOffColumnOutOfRange,
    kTextTooLong,
    kInputPathTooLong,
    kDuplicateColumns,
    kInvalidSymbol,
    kEnterPath,
    kUnknownDateFormat,
    kDecimalCommaWithoutCsv,
    kReverseWithTickerColumn,
    kTickerNotASymbol,
    kLinesWithoutTicker,
    kReverseNote,
    kMonthNamesNote,
    kDetectionFailed,
    kDetectionWarnings,
    // Choosing a directory
    kPathMissing,
    kInvalidPathName,
    kCreateDirectory,
    kCreateDirectoryFailed,
    // The desktop program
    kCannotOpenFile,
    kConversionSucceeded,
    kConversionFailed,
    kOutOfMemory,
    kUnexpectedFailure,
    kReadBackFailed,
    kConversionWritten,
    kDatabaseUnlisted,
    // A conversion
    kDatabaseBusy,
    kLockFileNotAFile,
    kCannotLockDatabase,
    kInterruptedConversionLeftovers,
    kInterruptedConversionInputBusy,
    kInterruptedConversionOutOfReach,
    kPathDoesNotExist,
    kOutputPathTooLong,
    kNoMasterFile,
    kMasterExists,
    kIndexFileExists,
    kMoreColumnsNeeded,
    kColumnOutOfRange,
    kDuplicateSymbol,
    kCannotCheckSymbol,
    kInputReadOnly,
    kInputFolderReadOnly,
    kInputOwnedByOtherUser,
    kInputBusy,
    kInputLockNotAFile,
    kCannotLockInput,
    kCannotOpenMasterFile,
    kCannotReadMasterFile,
    kCannotWriteJournal,
    kCannotCreateFile,
    kWritePermissionDenied,
    kReadOnlyFileSystem,
    kDiskFull,
    kNothingToCommit,
    kCannotWriteTemporaryFile,
    kFileChangedMeanwhile,
    kCannotRestoreReplacedFiles,
    kCannotReplaceFile,
    kCannotReadIndexFile,
    kIndexCountDisagrees,
    kSymbolTooLongForIndex,
    kEMasterOutOfStep,
    kEMasterCompleted,
    kPortfolioFull,
    kNotAnXMaster,
    kXMasterFull,
    kCannotOpenInputFile,
    kCannotReadInputFile,
    kInputNotAFile,
    kLineTooLong,
    kCannotCreateTemporaryFile,
    kCannotKeepInputPermissions,
    kCannotBackUpInputFile,
    kCannotReplaceInputFile,
    kSecurityNotAdded,
    kCannotOpenDataFile,
    kCannotWriteDataFile,
    kDateColumnTooLong,
    kNumericOnlyDateFormat,
    kSeparatedDateFormat,
    kTooManyPriceLines,
    kNoPriceLines,
    kLinesWithoutDate,
    kLinesWithoutPrice,
    kLinesMissingColumns,
    // Adding days to a security
    kSecurityNotUpdatable,
    kPriceFileCountDisagrees,
    kSecurityFieldsNotInFile,
    kUpdateDaysDiffer,
    kUpdateDaysReplaced,
    // Intraday bars and the order of dates
    kLinesOutOfOrder,
    kBarIntervalOutOfRange,
    kBarIntervalUnknown,
};

struct MessageEntry {
    MessageId id;
    const char* name;    // Message::id and the anchor of its help entry
    unsigned type;       // MessageBoxType buttons | icon
    const char* params;  // the parameters' names, in order, separated by blanks
    // English; "{name}" stands for a parameter. A text that does not place
    // its "path" parameter is followed by it on a line of its own, so that
    // short texts stay word for word and still name the path.
    const char* text;
    // The text when the first parameter is "1", for a count in the text.
    const char* singular = nullptr;
};

// Every entry, in the order of MessageId.
std::span<const MessageEntry> MessageCatalogue();
const MessageEntry& CatalogueEntry(MessageId id);

// text with every "{name}" of a parameter named in names replaced by the
// parameter at that position; anything else is kept as it is.
std::string FillParameters(const char* text, const char* names,
                           const std::vector<std::string>& params);

// The English text of message id with params.
std::string MessageText(MessageId id, const std::vector<std::string>& params = {});

// Message id with params, its text and its box type.
Message MakeMessage(MessageId id, std::vector<std::string> params = {});

// The stable name of id ("PathDoesNotExist").
inline std::string_view MessageName(MessageId id) {
    return CatalogueEntry(id).name;
}

}  // namespace torvan
