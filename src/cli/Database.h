#pragma once

#include <optional>
#include <string>
#include <vector>

#include "database/Master.h"

namespace torvan::cli {

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

// A stored date, (year - 1900) * 10000 + month * 100 + day, as YYYY-MM-DD;
// empty for 0, the number itself when it is no date.
std::string StoredDateText(float stored);

// Shortest text that reads back to the same float.
std::string NumberText(float value);

// Runs "list" and "dump"; return the exit status.
int RunList(const std::string& directory);
int RunDump(const std::string& directory, const std::string& symbol);
// Prints every finding of CheckDatabase, one per line; 1 when there is any.
int RunCheck(const std::string& directory);

}  // namespace torvan::cli
