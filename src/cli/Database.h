// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace torvan::cli {

// Says on standard error why directory has no MASTER that can be read.
void ReportNoMaster(const std::string& directory);

// Runs "list" and "dump"; return the exit status.
int RunList(const std::string& directory);
int RunDump(const std::string& directory, const std::string& symbol);
// Prints every finding of CheckDatabase, one per line; 1 when there is any.
int RunCheck(const std::string& directory);

}  // namespace torvan::cli
