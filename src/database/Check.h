// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A consistency check of a database directory, reading it the way readers
// do: MASTER, EMASTER and XMASTER with every price file they name.

#include <string>
#include <vector>

namespace torvan {

struct Finding {
    std::string id;    // short CamelCase name of the kind, e.g. "PriceFileMissing"
    std::string file;  // the file it is about, as named in the directory
    std::string text;  // one line, without the file name

    // "file: text".
    std::string Line() const { return file + ": " + text; }
};

// Every inconsistency found, in file order: MASTER and its price files,
// EMASTER against MASTER, XMASTER and its price files, then file numbers and
// symbols used twice. Empty for a sound database.
std::vector<Finding> CheckDatabase(const std::string& directory);

}  // namespace torvan
