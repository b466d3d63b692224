// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/XMaster.h"

#include <algorithm>

#include "database/IndexFields.h"
#include "database/Mbf.h"
#include "platform/FileSystem.h"

namespace torvan {

XMasterHeader XMasterHeader::Unpack(const std::uint8_t* bytes) {
    XMasterHeader h;
    TakeBytes(h.magic, bytes, 0);
    TakeBytes(h.unknown4, bytes, 4);
    h.entryCount = GetU16(bytes + 10);
    TakeBytes(h.reserved12, bytes, 12);
    h.entryCount2 = GetU16(bytes + 14);
    TakeBytes(h.reserved16, bytes, 16);
    h.nextFileNumber = GetU16(bytes + 18);
    TakeBytes(h.reserved20, bytes, 20);
    TakeBytes(h.vendorText, bytes, 22);
    return h;
}

XMasterBytes XMasterHeader::Pack() const {
    XMasterBytes b{};
    PutBytes(b.data(), 0, magic);
    PutBytes(b.data(), 4, unknown4);
    PutU16(b.data() + 10, entryCount);
    PutBytes(b.data(), 12, reserved12);
    PutU16(b.data() + 14, entryCount2);
    PutBytes(b.data(), 16, reserved16);
    PutU16(b.data() + 18, nextFileNumber);
    PutBytes(b.data(), 20, reserved20);
    PutBytes(b.data(), 22, vendorText);
    return b;
}

XMasterRecord XMasterRecord::Unpack(const std::uint8_t* bytes) {
    XMasterRecord r;
    r.marker = bytes[0];
    TakeBytes(r.symbol, bytes, 1);
    r.reserved15 = bytes[15];
    TakeBytes(r.name, bytes, 16);
    r.reserved61 = bytes[61];
    r.period = bytes[62];
    r.minutes = GetU16(bytes + 63);
    r.fileNumber = GetU16(bytes + 65);
    TakeBytes(r.reserved67, bytes, 67);
    r.fieldBits = bytes[70];
    TakeBytes(r.reserved71, bytes, 71);
    TakeBytes(r.unknown80, bytes, 80);
    TakeBytes(r.reserved88, bytes, 88);
    r.unknown104 = GetU32(bytes + 104);
    r.firstDate = GetU32(bytes + 108);
    TakeBytes(r.reserved112, bytes, 112);
    r.lastDate = GetU32(bytes + 116);
    TakeBytes(r.reserved120, bytes, 120);
    return r;
}

XMasterBytes XMasterRecord::Pack() const {
    XMasterBytes b{};
    b[0] = marker;
    PutBytes(b.data(), 1, symbol);
    b[15] = reserved15;
    PutBytes(b.data(), 16, name);
    b[61] = reserved61;
    b[62] = period;
    PutU16(b.data() + 63, minutes);
    PutU16(b.data() + 65, fileNumber);
    PutBytes(b.data(), 67, reserved67);
    b[70] = fieldBits;
    PutBytes(b.data(), 71, reserved71);
    PutBytes(b.data(), 80, unknown80);
    PutBytes(b.data(), 88, reserved88);
    PutU32(b.data() + 104, unknown104);
    PutU32(b.data() + 108, firstDate);
    PutBytes(b.data(), 112, reserved112);
    PutU32(b.data() + 116, lastDate);
    PutBytes(b.data(), 120, reserved120);
    return b;
}

std::string XMasterRecord::SymbolText() const {
    return CFieldText(symbol);
}

std::string XMasterRecord::NameText() const {
    return CFieldText(name);
}

std::size_t XMasterFile::CountedEntries() const {
    return std::min<std::size_t>(header.entryCount, records.size());
}

bool ParseXMaster(const std::string& content, XMasterFile& file) {
    return ParseIndexRecords(content, kXMasterRecordSize, file);
}

std::optional<std::string> FindXMaster(const std::string& directory) {
    return FindFileNoCase(directory, "XMASTER");
}

std::string NewXMasterContent() {
    XMasterHeader header;
    header.magic = kXMasterMagic;
    header.nextFileNumber = kFirstXMasterFileNumber;
    const XMasterBytes bytes = header.Pack();
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

XMasterRecord NewXMasterRecord(int fileNumber, const std::string& symbol, const std::string& name,
                               const FieldFlags& fieldOn) {
    XMasterRecord r;
    r.marker = 0x01;
    r.symbol = NulPadded<14>(symbol);
    r.name = NulPadded<45>(name);
    r.period = 'D';
    r.fileNumber = static_cast<std::uint16_t>(fileNumber);
    r.fieldBits = FieldBitsOf(fieldOn);
    r.unknown104 = kXMasterDefault104;
    return r;
}

namespace {

// The entries XMASTER's header counts and its content holds: a large XMASTER
// is read once per run, so header and records are taken in place rather
// than parsed whole again.
std::size_t CountedIn(const std::string& content, const XMasterHeader& header) {
    return std::min<std::size_t>(header.entryCount, content.size() / kXMasterRecordSize - 1);
}

const std::uint8_t* BytesOf(const std::string& content) {
    return reinterpret_cast<const std::uint8_t*>(content.data());
}

}  // namespace

std::optional<std::string> InsertXMasterEntry(const std::string& content,
                                              const XMasterRecord& entry) {
    if (content.size() < kXMasterRecordSize) {
        return std::nullopt;
    }
    XMasterHeader header = XMasterHeader::Unpack(BytesOf(content));
    if (!header.HasMagic()) {
        return std::nullopt;
    }
    const std::size_t at = CountedIn(content, header);
    if (at + 1 > 0xFFFF) {
        return std::nullopt;
    }
    header.entryCount = static_cast<std::uint16_t>(at + 1);
    header.entryCount2 = header.entryCount;
    if (header.nextFileNumber <= entry.fileNumber) {
        // 65535 is the last number; the next one then has nowhere to go.
        header.nextFileNumber =
            static_cast<std::uint16_t>(std::min<int>(entry.fileNumber + 1, kMaxXMasterFileNumber));
    }
    const XMasterBytes packed = header.Pack();
    std::string result;
    result.reserve(content.size() + kXMasterRecordSize);
    result.append(reinterpret_cast<const char*>(packed.data()), packed.size());
    const std::size_t split = kXMasterRecordSize * (at + 1);
    result.append(content, kXMasterRecordSize, split - kXMasterRecordSize);
    const XMasterBytes bytes = entry.Pack();
    result.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    result.append(content, split, std::string::npos);
    return result;
}

namespace {

template <typename Change>
bool ChangeXMasterEntry(std::string& content, int fileNumber, Change change) {
    if (content.size() < kXMasterRecordSize) {
        return false;
    }
    const std::size_t count = CountedIn(content, XMasterHeader::Unpack(BytesOf(content)));
    bool found = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = kXMasterRecordSize * (i + 1);
        // The record's file number, as Unpack takes it.
        if (GetU16(BytesOf(content) + offset + 65) != fileNumber) {
            continue;
        }
        XMasterRecord record = XMasterRecord::Unpack(BytesOf(content) + offset);
        change(record);
        const XMasterBytes bytes = record.Pack();
        content.replace(offset, kXMasterRecordSize, reinterpret_cast<const char*>(bytes.data()),
                        bytes.size());
        found = true;
    }
    return found;
}

}  // namespace

bool SetXMasterDates(std::string& content, int fileNumber, std::uint32_t first,
                     std::uint32_t last) {
    return ChangeXMasterEntry(content, fileNumber, [&](XMasterRecord& record) {
        record.firstDate = first;
        record.lastDate = last;
    });
}

bool SetXMasterIntraday(std::string& content, int fileNumber, std::uint16_t minutes) {
    return ChangeXMasterEntry(content, fileNumber, [&](XMasterRecord& record) {
        record.period = 'I';
        record.minutes = minutes;
        record.fieldBits = static_cast<std::uint8_t>(record.fieldBits | kBitTime);
    });
}

}  // namespace torvan
