// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "database/Index.h"
#include "database/Master.h"

namespace torvan {

// Reading a database back, for listing it and showing a security's records.

// One security of a database directory: an entry of its MASTER, or of the
// XMASTER beside it.
struct SecurityEntry {
    // The MASTER entry; for a security of XMASTER one made from its entry
    // (its fileNumber byte then 0: see fileNumber).
    MasterRecord record;
    std::string directory;  // the directory whose MASTER lists it
    bool isSubdirectory = false;
    std::vector<std::string> fieldNames;  // see FieldNames
    std::optional<int> recordCount;       // from the data file's header
    // As readers show them: the number of F<n>, the long name of an EMASTER
    // in step with MASTER or of XMASTER, and where the security is listed.
    int fileNumber = 0;
    std::string symbol;
    std::string name;
    bool inXMaster = false;  // its price file is then F<n>.MWD
    // An intraday security (period 'I'): its bar interval in minutes and the
    // times (HHMMSS) of its first and last records, when they can be read.
    int barMinutes = 0;
    std::optional<float> firstTime;
    std::optional<float> lastTime;

    // "F<n>.DAT" or "F<n>.MWD".
    std::string PriceFileName() const;
};

// The entries of directory's MASTER in file order (subdirectories are
// listed, not walked), then those of its XMASTER. False when there is no
// readable MASTER. An EMASTER or XMASTER that is there but cannot be read
// is named in unread: what it lists is missing from entries, which a reader
// must not present as the whole database.
bool ListSecurities(const std::string& directory, std::vector<SecurityEntry>& entries,
                    std::vector<UnreadIndexFile>* unread = nullptr);

enum class ReadResult {
    kOk,
    kNoMaster,
    kNotFound,
    kCannotReadIndex,  // not found, but an index that might list it could not be read
    kCannotReadData,
};

struct SecurityRecords {
    SecurityEntry entry;
    std::string dataPath;
    std::vector<std::vector<float>> rows;  // one value per field name, dates as stored
    // With kCannotReadIndex: the first MASTER (of a subdirectory) or XMASTER
    // that could not be read.
    UnreadIndexFile unread;
};

// The records of the security whose symbol or name is symbol, looked for as
// a duplicate is (subdirectories included), then among the symbols and names
// of the XMASTER beside MASTER. When it is not found and one of these index
// files could not be read, the result is kCannotReadIndex rather than
// kNotFound.
ReadResult ReadSecurity(const std::string& directory, const std::string& symbol,
                        SecurityRecords& out);
// The same, handing each record to take as it is read instead of keeping it
// in rows, so that the memory needed does not grow with the records. A read
// error after some records were handed over still gives kCannotReadData.
using RowTaker = std::function<void(std::span<const float> row)>;
ReadResult ReadSecurity(const std::string& directory, const std::string& symbol,
                        SecurityRecords& out, const RowTaker& take);
// The same with only the first and the last record in rows (one when there
// is one, none when there is none), read without the records between them:
// a summary costs the same whatever the security's size.
ReadResult ReadSecurityEnds(const std::string& directory, const std::string& symbol,
                            SecurityRecords& out);

// Column names of the fields of a security's price records, in file order:
// "Date", "Time", "Open", "High", "Low", "Close", "Volume", "OpenInterest",
// or a description file's own label for a field it names otherwise.
//
// The security's F<n>.DOP names them when it exists and lists one label per
// field. Without it the layout follows the field count, as the programs
// that write this format without description files lay their records out:
//   2 Date Close             5 Date High Low Close Volume
//   3 Date Close Volume      6 Date Open High Low Close Volume
//   4 Date High Low Close    7 Date Open High Low Close Volume OpenInterest
// An intraday security (period 'I') has a Time field after the date, then
// the layout of one field less. Fields past these are named Field<k>.
std::vector<std::string> FieldNames(const std::string& directory, const MasterRecord& record);
// The same for a security whose index entry carries a field bitset (EMASTER,
// XMASTER): without a description file the bitset names the fields.
std::vector<std::string> FieldNames(const std::string& directory, int fileNumber, int fieldCount,
                                    char period, std::uint8_t fieldBits);

// One letter per field name: D O H L C V I, T for Time, ? for others.
std::string FieldLetters(const std::vector<std::string>& names);

// A stored date, (year - 1900) * 10000 + month * 100 + day, as YYYY-MM-DD;
// empty for 0, the number itself when it is no date.
std::string StoredDateText(float stored);

// A stored time HHMMSS as HH:MM:SS; the number itself when it is no time.
std::string TimeText(float hhmmss);

// Shortest text that reads back to the same float.
std::string NumberText(float value);
// StoredDateText and NumberText appended to out, without a string of their
// own for each.
void AppendStoredDateText(std::string& out, float stored);
void AppendNumberText(std::string& out, float value);

}  // namespace torvan
