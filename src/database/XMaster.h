// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// XMASTER: the index of securities numbered 256 and up, beyond the 255 that
// MASTER holds, in 150-byte records after a header. Their price files are
// F<n>.MWD, laid out as F<n>.DAT. Bytes of unknown meaning are kept as read.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/DataFile.h"

namespace torvan {

inline constexpr std::size_t kXMasterRecordSize = 150;
inline constexpr std::array<std::uint8_t, 4> kXMasterMagic = {0x5D, 0xFE, 0x58, 0x4D};
inline constexpr int kFirstXMasterFileNumber = 256;
inline constexpr int kMaxXMasterFileNumber = 65535;
// "unknown" at 104 holds this in the files of the charting program's maker.
inline constexpr std::uint32_t kXMasterDefault104 = 19000101;

using XMasterBytes = std::array<std::uint8_t, kXMasterRecordSize>;

struct XMasterHeader {
    std::array<std::uint8_t, 4> magic{};     // 0..3
    std::array<std::uint8_t, 6> unknown4{};  // 4..9
    std::uint16_t entryCount = 0;            // 10..11
    std::array<std::uint8_t, 2> reserved12{};
    std::uint16_t entryCount2 = 0;  // 14..15
    std::array<std::uint8_t, 2> reserved16{};
    std::uint16_t nextFileNumber = 0;  // 18..19
    std::array<std::uint8_t, 2> reserved20{};
    std::array<std::uint8_t, 128> vendorText{};  // 22..149

    static XMasterHeader Unpack(const std::uint8_t* bytes);
    XMasterBytes Pack() const;
    bool HasMagic() const { return magic == kXMasterMagic; }
};

struct XMasterRecord {
    std::uint8_t marker = 0;                // 0, 0x01
    std::array<std::uint8_t, 14> symbol{};  // 1..14
    std::uint8_t reserved15 = 0;
    std::array<std::uint8_t, 45> name{};  // 16..60
    std::uint8_t reserved61 = 0;
    std::uint8_t period = 0;       // 62
    std::uint16_t minutes = 0;     // 63..64
    std::uint16_t fileNumber = 0;  // 65..66
    std::array<std::uint8_t, 3> reserved67{};
    std::uint8_t fieldBits = 0;  // 70
    std::array<std::uint8_t, 9> reserved71{};
    std::array<std::uint8_t, 8> unknown80{};  // 80..87
    std::array<std::uint8_t, 16> reserved88{};
    std::uint32_t unknown104 = 0;  // 104..107, a YYYYMMDD of unknown meaning
    std::uint32_t firstDate = 0;   // 108..111, YYYYMMDD
    std::array<std::uint8_t, 4> reserved112{};
    std::uint32_t lastDate = 0;  // 116..119, YYYYMMDD
    std::array<std::uint8_t, 30> reserved120{};

    static XMasterRecord Unpack(const std::uint8_t* bytes);
    XMasterBytes Pack() const;

    std::string SymbolText() const;
    std::string NameText() const;
};

// An XMASTER as read: its header and every whole record after it, also
// those past the header's count.
struct XMasterFile {
    XMasterHeader header;
    std::vector<XMasterRecord> records;
    std::uint64_t size = 0;

    std::size_t CountedEntries() const;
};

// False when content is shorter than a header.
bool ParseXMaster(const std::string& content, XMasterFile& file);

std::optional<std::string> FindXMaster(const std::string& directory);

// A new XMASTER: magic, no entries, 256 as the next file number.
std::string NewXMasterContent();

XMasterRecord NewXMasterRecord(int fileNumber, const std::string& symbol, const std::string& name,
                               const FieldFlags& fieldOn);

// content with entry inserted after its counted ones; both counts raised
// and the next file number kept above the new one; every other byte kept
// (records past the count move behind the new one). Nothing when content
// is no XMASTER or the count would overflow.
std::optional<std::string> InsertXMasterEntry(const std::string& content,
                                              const XMasterRecord& entry);

// Sets the first and last date (YYYYMMDD) of the counted entry with
// fileNumber. False when there is none.
bool SetXMasterDates(std::string& content, int fileNumber, std::uint32_t first, std::uint32_t last);

// Makes the counted entry with fileNumber one of intraday bars of minutes
// each: periodicity 'I' and the time in its field bitset. False when there
// is none.
bool SetXMasterIntraday(std::string& content, int fileNumber, std::uint16_t minutes);

}  // namespace torvan
