#pragma once

#include <string>

namespace torvan::cli {

// Runs "list" and "dump"; return the exit status.
int RunList(const std::string& directory);
int RunDump(const std::string& directory, const std::string& symbol);

}  // namespace torvan::cli
