// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "database/Mbf.h"

namespace torvan {

inline constexpr int kFieldSlots = 7;
using FieldFlags = std::array<int, kFieldSlots>;

// Slot labels of the description file, in slot order.
inline constexpr std::array<const char*, kFieldSlots> kFieldLabels = {
    "DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

// Record 0 of a data file: 0, recordCount, then 00 00 01 00 groups.
std::vector<std::uint8_t> PackDataHeader(int fieldCount, std::uint16_t recordCount);

// The text of a description file: one line per present slot, CR LF ends;
// withTime: an intraday security's time after the date.
std::string DescriptionText(const FieldFlags& fieldOn, bool withTime = false);

// Creates the header-only data file and the description file of a new
// security under the names given, replacing files of those names. Returns
// the path that could not be written, or an empty string on success. The
// description file is flushed to disk; the data file is left to the writer
// of its records. Nothing is left of them when one fails.
std::string WriteSecurityFiles(const std::string& dataPath, const std::string& descriptionPath,
                               const FieldFlags& fieldOn, int fieldCount, bool withTime = false);

// The existing description file of a security, found ignoring case; the
// upper-case name when there is none yet.
std::string ExistingDescriptionFilePath(const std::string& directory, int fileNumber);

// The numbers n of every F<n>.DAT, F<n>.DOP and F<n>.MWD in directory, in
// any letter case and of any kind (file, folder, link): a new security must
// not take a number whose files are there, or it would replace them.
std::set<int> NumbersWithPriceFiles(const std::string& directory);

// A data file read back: its header's recordCount and the price records,
// each fieldCount MBF values.
struct DataFileContents {
    std::uint16_t recordCount = 0;
    std::vector<std::vector<Bytes4>> records;
};
bool ReadDataFile(const std::string& path, int fieldCount, DataFileContents& contents);

}  // namespace torvan
