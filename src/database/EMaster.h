// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// EMASTER: a second index beside MASTER with one 192-byte record per MASTER
// entry, carrying long names, the field bitset and dates in IEEE form.
// Record 0 is a header. Bytes whose meaning is unknown are kept as read.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/DataFile.h"
#include "database/Master.h"

namespace torvan {

inline constexpr std::size_t kEMasterRecordSize = 192;
// The header counts entries in one byte.
inline constexpr int kMaxEMasterEntries = 255;
// Longest symbol an EMASTER or XMASTER entry holds.
inline constexpr std::size_t kMaxIndexSymbol = 14;
// Longest name: EMASTER's long name and XMASTER's name.
inline constexpr std::size_t kMaxLongName = 45;

using EMasterBytes = std::array<std::uint8_t, kEMasterRecordSize>;

struct EMasterHeader {
    std::uint8_t entryCount = 0;         // 0
    std::uint8_t reserved1 = 0;          // 1
    std::uint8_t highestFileNumber = 0;  // 2
    std::uint8_t reserved3 = 0;          // 3
    std::array<std::uint8_t, 45> reserved4{};
    std::array<std::uint8_t, 4> serial{};        // 49..52, vendor's
    std::array<std::uint8_t, 139> vendorText{};  // 53..191

    static EMasterHeader Unpack(const std::uint8_t* bytes);
    EMasterBytes Pack() const;
};

struct EMasterRecord {
    std::array<std::uint8_t, 2> tag{};  // 0..1, two digits of unknown meaning
    std::uint8_t fileNumber = 0;        // 2
    std::array<std::uint8_t, 3> reserved3{};
    std::uint8_t fieldCount = 0;  // 6
    std::uint8_t fieldBits = 0;   // 7
    std::uint8_t reserved8 = 0;
    std::uint8_t chartFlag = 0;  // 9, blank or '*'
    std::uint8_t reserved10 = 0;
    std::array<std::uint8_t, 14> symbol{};  // 11..24
    std::array<std::uint8_t, 7> reserved25{};
    std::array<std::uint8_t, 16> shortName{};  // 32..47
    std::array<std::uint8_t, 12> reserved48{};
    std::uint8_t period = 0;  // 60
    std::uint8_t reserved61 = 0;
    std::uint16_t minutes = 0;                 // 62..63
    std::array<std::uint8_t, 4> firstDate{};   // 64..67, IEEE single
    std::array<std::uint8_t, 4> firstTime{};   // 68..71
    std::array<std::uint8_t, 4> lastDate{};    // 72..75, IEEE single
    std::array<std::uint8_t, 4> lastTime{};    // 76..79
    std::array<std::uint8_t, 8> tradeTimes{};  // 80..87
    std::array<std::uint8_t, 38> reserved88{};
    std::uint32_t firstDateNumber = 0;  // 126..129, YYYYMMDD
    std::array<std::uint8_t, 9> reserved130{};
    std::array<std::uint8_t, 52> longName{};  // 139..190
    std::uint8_t reserved191 = 0;

    static EMasterRecord Unpack(const std::uint8_t* bytes);
    EMasterBytes Pack() const;

    std::string SymbolText() const;
    std::string ShortNameText() const;
    std::string LongNameText() const;
    // The long name when there is one, else the short name.
    std::string NameText() const;
    // Dates as stored dates ((year - 1900) * 10000 + month * 100 + day).
    float FirstDate() const;
    float LastDate() const;
    // Sets both date forms of the first date and the last date.
    void SetDates(float first, float last);
};

// An EMASTER as read: its header and every whole record after it, also
// those past the header's count.
struct EMasterFile {
    EMasterHeader header;
    std::vector<EMasterRecord> records;
    std::uint64_t size = 0;

    // The entries a reader takes: the header's count, as far as the file
    // holds them.
    std::size_t CountedEntries() const;
};

// False when content is shorter than a header.
bool ParseEMaster(const std::string& content, EMasterFile& file);

// The directory's EMASTER, found in any letter case.
std::optional<std::string> FindEMaster(const std::string& directory);

// The content of a new EMASTER without entries.
std::string NewEMasterContent();

// The EMASTER entry of a new security: tag "66", a blank chart flag, the
// name's first 16 characters as the short name, the whole name as the long
// name when it is longer, daily data, no dates yet.
EMasterRecord NewEMasterRecord(int fileNumber, const std::string& symbol, const std::string& name,
                               const FieldFlags& fieldOn);

// An EMASTER entry for a security that only MASTER lists: the fields follow
// the count as readers guess them without a bitset.
EMasterRecord EMasterRecordFromMaster(const MasterRecord& master);

// The field bitset readers assume for a MASTER entry's field count.
std::uint8_t GuessedFieldBits(int fieldCount, bool intraday);

// content with entries inserted after its counted ones, the count raised and
// the highest file number set; every other byte kept (records past the
// count move behind the new ones). Nothing when the count would pass 255.
std::optional<std::string> InsertEMasterEntries(const std::string& content,
                                                const std::vector<EMasterRecord>& entries,
                                                std::uint8_t highestFileNumber);

// Sets both forms of the first date and the last date of the counted entry
// with fileNumber. False when there is none.
bool SetEMasterDates(std::string& content, int fileNumber, float first, float last);

// Makes the counted entry with fileNumber one of intraday bars of minutes
// each: periodicity 'I', the time in its field bitset and count, and its
// first and last times (HHMMSS). False when there is none.
bool SetEMasterIntraday(std::string& content, int fileNumber, std::uint16_t minutes,
                        float firstTime, float lastTime);

}  // namespace torvan
