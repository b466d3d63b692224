// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "database/Mbf.h"

namespace torvan {

inline constexpr std::size_t kMasterRecordSize = 53;
inline constexpr int kMaxSecurities = 255;
// Longest directory path the database format's programs handle.
inline constexpr std::size_t kMaxDirectoryPath = 300;

using MasterBytes = std::array<std::uint8_t, kMasterRecordSize>;

// Record 0 of MASTER.
struct MasterHeader {
    std::uint16_t entryCount = 0;
    std::uint16_t fileCounter = 0;
    std::array<std::uint8_t, 49> filler{};

    static MasterHeader Unpack(const std::uint8_t* bytes);
    MasterBytes Pack() const;
};

// Records 1 onward of MASTER. Every byte is kept, so that records written by
// other programs are copied back unchanged.
struct MasterRecord {
    std::uint8_t fileNumber = 0;
    std::array<std::uint8_t, 2> fileType{};
    std::uint8_t recordLength = 0;
    std::uint8_t fieldCount = 0;
    std::array<std::uint8_t, 2> reserved1{};
    std::array<std::uint8_t, 16> name{};
    std::array<std::uint8_t, 2> reserved2{};
    Bytes4 firstDate{};
    Bytes4 lastDate{};
    std::uint8_t period = 0;
    std::array<std::uint8_t, 2> reserved3{};
    std::array<std::uint8_t, 16> symbol{};
    std::uint8_t reserved4 = 0;

    static MasterRecord Unpack(const std::uint8_t* bytes);
    MasterBytes Pack() const;

    // A record standing for a subdirectory with a MASTER of its own.
    bool IsSubdirectory() const;
    // The subdirectory's name: the first 8 characters of name, trailing
    // blanks removed.
    std::string SubdirectoryName() const;
    // Text of the name and symbol fields up to a NUL, trailing blanks removed.
    std::string NameText() const;
    std::string SymbolText() const;
};

// Fixed-width, blank-padded text field of 16 bytes.
std::array<std::uint8_t, 16> PadField(const std::string& text);

// Status values of FindSecurity.
inline constexpr std::int16_t kFound = 0;
inline constexpr std::int16_t kNotFound = -8;

// Looks for an entry whose symbol or name equals text (ignoring ASCII case)
// in the MASTER of directory and, depth first, in the subdirectories that
// its subdirectory entries name. Each real directory is searched at most
// once and paths stay within kMaxDirectoryPath characters, so damaged or
// hostile subdirectory entries cannot make the walk endless.
struct SecurityLocation {
    // The directory whose MASTER holds the security found.
    std::string directory;
    // The first MASTER that exists but could not be read (as opposed to one
    // that is missing or short), so that a caller can tell "not there" from
    // "could not look"; empty when every MASTER was read.
    std::string unreadableMaster;
    bool ReadError() const { return !unreadableMaster.empty(); }
};
std::int16_t FindSecurity(const std::string& directory, const std::string& text,
                          MasterRecord& found, SecurityLocation* where = nullptr);

// Whether MASTER content (its header and the whole records after it) holds
// the entries its header counts: no fewer records, and past them only
// records of zero bytes, which a writer may leave as padding. Anything else
// is a count that disagrees with the file, and an entry added after it would
// land where readers do not look or take a number that is still in use.
bool MasterCountAgrees(const std::vector<std::uint8_t>& content);

// Everything of a MASTER file that a reader needs.
struct MasterFile {
    MasterHeader header;
    std::vector<MasterRecord> records;  // at most header.entryCount records
};

// Reads a MASTER (found case-insensitively in directory). Returns false
// when there is none or its header cannot be read; a short file yields the
// records it holds.
bool ReadMaster(const std::string& directory, MasterFile& master);

}  // namespace torvan
