#pragma once

#include <optional>
#include <string>
#include <vector>

#include "database/Master.h"

namespace torvan {

// Reading a database back, for listing it and showing a security's records.

// One entry of a MASTER.
struct SecurityEntry {
    MasterRecord record;
    std::string directory;  // the directory whose MASTER lists it
    bool isSubdirectory = false;
    std::vector<std::string> fieldNames;  // see FieldNames
    std::optional<int> recordCount;       // from the data file's header
};

// The entries of directory's MASTER, in file order (subdirectories are
// listed, not walked). False when there is no readable MASTER.
bool ListSecurities(const std::string& directory, std::vector<SecurityEntry>& entries);

enum class ReadResult { kOk, kNoMaster, kNotFound, kCannotReadData };

struct SecurityRecords {
    SecurityEntry entry;
    std::string dataPath;
    std::vector<std::vector<float>> rows;  // one value per field name, dates as stored
};

// The records of the security whose symbol or name is symbol, looked for as
// a duplicate is (subdirectories included).
ReadResult ReadSecurity(const std::string& directory, const std::string& symbol,
                        SecurityRecords& out);
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

// One letter per field name: D O H L C V I, T for Time, ? for others.
std::string FieldLetters(const std::vector<std::string>& names);

// A stored date, (year - 1900) * 10000 + month * 100 + day, as YYYY-MM-DD;
// empty for 0, the number itself when it is no date.
std::string StoredDateText(float stored);

// Shortest text that reads back to the same float.
std::string NumberText(float value);

}  // namespace torvan
