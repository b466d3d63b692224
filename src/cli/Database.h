#pragma once

#include <string>

namespace torvan::cli {

// Runs "list" and "dump"; return the exit status.
int RunList(const std::string& directory);
int RunDump(const std::string& directory, const std::string& symbol);
// Prints every finding of CheckDatabase, one per line; 1 when there is any.
int RunCheck(const std::string& directory);

}  // namespace torvan::cli
