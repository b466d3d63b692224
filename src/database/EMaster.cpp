// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/EMaster.h"

#include "database/IndexFields.h"
#include "platform/FileSystem.h"

namespace torvan {

EMasterHeader EMasterHeader::Unpack(const std::uint8_t* bytes) {
    EMasterHeader h;
    h.entryCount = bytes[0];
    h.reserved1 = bytes[1];
    h.highestFileNumber = bytes[2];
    h.reserved3 = bytes[3];
    TakeBytes(h.reserved4, bytes, 4);
    TakeBytes(h.serial, bytes, 49);
    TakeBytes(h.vendorText, bytes, 53);
    return h;
}

EMasterBytes EMasterHeader::Pack() const {
    EMasterBytes b{};
    b[0] = entryCount;
    b[1] = reserved1;
    b[2] = highestFileNumber;
    b[3] = reserved3;
    PutBytes(b.data(), 4, reserved4);
    PutBytes(b.data(), 49, serial);
    PutBytes(b.data(), 53, vendorText);
    return b;
}

EMasterRecord EMasterRecord::Unpack(const std::uint8_t* bytes) {
    EMasterRecord r;
    TakeBytes(r.tag, bytes, 0);
    r.fileNumber = bytes[2];
    TakeBytes(r.reserved3, bytes, 3);
    r.fieldCount = bytes[6];
    r.fieldBits = bytes[7];
    r.reserved8 = bytes[8];
    r.chartFlag = bytes[9];
    r.reserved10 = bytes[10];
    TakeBytes(r.symbol, bytes, 11);
    TakeBytes(r.reserved25, bytes, 25);
    TakeBytes(r.shortName, bytes, 32);
    TakeBytes(r.reserved48, bytes, 48);
    r.period = bytes[60];
    r.reserved61 = bytes[61];
    r.minutes = GetU16(bytes + 62);
    TakeBytes(r.firstDate, bytes, 64);
    TakeBytes(r.firstTime, bytes, 68);
    TakeBytes(r.lastDate, bytes, 72);
    TakeBytes(r.lastTime, bytes, 76);
    TakeBytes(r.tradeTimes, bytes, 80);
    TakeBytes(r.reserved88, bytes, 88);
    r.firstDateNumber = GetU32(bytes + 126);
    TakeBytes(r.reserved130, bytes, 130);
    TakeBytes(r.longName, bytes, 139);
    r.reserved191 = bytes[191];
    return r;
}

EMasterBytes EMasterRecord::Pack() const {
    EMasterBytes b{};
    PutBytes(b.data(), 0, tag);
    b[2] = fileNumber;
    PutBytes(b.data(), 3, reserved3);
    b[6] = fieldCount;
    b[7] = fieldBits;
    b[8] = reserved8;
    b[9] = chartFlag;
    b[10] = reserved10;
    PutBytes(b.data(), 11, symbol);
    PutBytes(b.data(), 25, reserved25);
    PutBytes(b.data(), 32, shortName);
    PutBytes(b.data(), 48, reserved48);
    b[60] = period;
    b[61] = reserved61;
    PutU16(b.data() + 62, minutes);
    PutBytes(b.data(), 64, firstDate);
    PutBytes(b.data(), 68, firstTime);
    PutBytes(b.data(), 72, lastDate);
    PutBytes(b.data(), 76, lastTime);
    PutBytes(b.data(), 80, tradeTimes);
    PutBytes(b.data(), 88, reserved88);
    PutU32(b.data() + 126, firstDateNumber);
    PutBytes(b.data(), 130, reserved130);
    PutBytes(b.data(), 139, longName);
    b[191] = reserved191;
    return b;
}

std::string EMasterRecord::SymbolText() const {
    return CFieldText(symbol);
}

std::string EMasterRecord::ShortNameText() const {
    return CFieldText(shortName);
}

std::string EMasterRecord::LongNameText() const {
    return CFieldText(longName);
}

std::string EMasterRecord::NameText() const {
    std::string name = LongNameText();
    return name.empty() ? ShortNameText() : name;
}

float EMasterRecord::FirstDate() const {
    return IeeeValue(firstDate);
}

float EMasterRecord::LastDate() const {
    return IeeeValue(lastDate);
}

void EMasterRecord::SetDates(float first, float last) {
    firstDate = IeeeBytes(first);
    lastDate = IeeeBytes(last);
    firstDateNumber = StoredToYyyymmdd(first);
}

std::size_t EMasterFile::CountedEntries() const {
    return std::min<std::size_t>(header.entryCount, records.size());
}

bool ParseEMaster(const std::string& content, EMasterFile& file) {
    return ParseIndexRecords(content, kEMasterRecordSize, file);
}

std::optional<std::string> FindEMaster(const std::string& directory) {
    return FindFileNoCase(directory, "EMASTER");
}

std::string NewEMasterContent() {
    const EMasterBytes header = EMasterHeader{}.Pack();
    return std::string(reinterpret_cast<const char*>(header.data()), header.size());
}

EMasterRecord NewEMasterRecord(int fileNumber, const std::string& symbol, const std::string& name,
                               const FieldFlags& fieldOn) {
    EMasterRecord r;
    r.tag = {'6', '6'};
    r.fileNumber = static_cast<std::uint8_t>(fileNumber);
    r.fieldBits = FieldBitsOf(fieldOn);
    r.fieldCount = static_cast<std::uint8_t>(CountFieldBits(r.fieldBits));
    r.chartFlag = ' ';
    r.symbol = NulPadded<14>(symbol);
    r.shortName = NulPadded<16>(name);
    if (name.size() > r.shortName.size()) {
        // The long name field keeps a terminating NUL.
        r.longName = NulPadded<52>(name.substr(0, std::min(name.size(), r.longName.size() - 1)));
    }
    r.period = 'D';
    return r;
}

std::uint8_t GuessedFieldBits(int fieldCount, bool intraday) {
    constexpr std::uint8_t kCloseOnly = kBitDate | kBitClose;
    constexpr std::uint8_t kHighLowClose = kCloseOnly | kBitHigh | kBitLow;
    std::uint8_t bits = 0;
    switch (intraday ? fieldCount - 1 : fieldCount) {
        case 2:
            bits = kCloseOnly;
            break;
        case 3:
            bits = kCloseOnly | kBitVolume;
            break;
        case 4:
            bits = kHighLowClose;
            break;
        case 5:
            bits = kHighLowClose | kBitVolume;
            break;
        case 6:
            bits = kHighLowClose | kBitVolume | kBitOpen;
            break;
        case 7:
            bits = kHighLowClose | kBitVolume | kBitOpen | kBitOpenInterest;
            break;
        default:
            return 0;
    }
    return intraday ? static_cast<std::uint8_t>(bits | kBitTime) : bits;
}

EMasterRecord EMasterRecordFromMaster(const MasterRecord& master) {
    EMasterRecord r;
    r.tag = {'6', '6'};
    r.fileNumber = master.fileNumber;
    r.fieldCount = master.fieldCount;
    r.fieldBits = GuessedFieldBits(master.fieldCount, master.period == 'I');
    r.chartFlag = ' ';
    r.symbol = NulPadded<14>(master.SymbolText());
    r.shortName = NulPadded<16>(master.NameText());
    r.period = master.period;
    r.SetDates(MbfToFloat(master.firstDate), MbfToFloat(master.lastDate));
    return r;
}

std::optional<std::string> InsertEMasterEntries(const std::string& content,
                                                const std::vector<EMasterRecord>& entries,
                                                std::uint8_t highestFileNumber) {
    EMasterFile file;
    if (!ParseEMaster(content, file)) {
        return std::nullopt;
    }
    const std::size_t at = file.CountedEntries();
    if (at + entries.size() > static_cast<std::size_t>(kMaxEMasterEntries)) {
        return std::nullopt;
    }
    EMasterHeader header = file.header;
    header.entryCount = static_cast<std::uint8_t>(at + entries.size());
    header.highestFileNumber = highestFileNumber;
    const EMasterBytes packed = header.Pack();
    std::string result(reinterpret_cast<const char*>(packed.data()), packed.size());
    const std::size_t split = kEMasterRecordSize * (at + 1);
    result.append(content, kEMasterRecordSize, split - kEMasterRecordSize);
    for (const EMasterRecord& entry : entries) {
        const EMasterBytes bytes = entry.Pack();
        result.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    result.append(content, split, std::string::npos);
    return result;
}

namespace {

// Applies change to the counted entries with fileNumber; false when there
// is none.
template <typename Change>
bool ChangeEMasterEntry(std::string& content, int fileNumber, Change change) {
    EMasterFile file;
    if (!ParseEMaster(content, file)) {
        return false;
    }
    bool found = false;
    for (std::size_t i = 0; i < file.CountedEntries(); ++i) {
        EMasterRecord& record = file.records[i];
        if (record.fileNumber != fileNumber) {
            continue;
        }
        change(record);
        const EMasterBytes bytes = record.Pack();
        content.replace(kEMasterRecordSize * (i + 1), kEMasterRecordSize,
                        reinterpret_cast<const char*>(bytes.data()), bytes.size());
        found = true;
    }
    return found;
}

}  // namespace

bool SetEMasterDates(std::string& content, int fileNumber, float first, float last) {
    return ChangeEMasterEntry(content, fileNumber,
                              [&](EMasterRecord& record) { record.SetDates(first, last); });
}

bool SetEMasterIntraday(std::string& content, int fileNumber, std::uint16_t minutes,
                        float firstTime, float lastTime) {
    return ChangeEMasterEntry(content, fileNumber, [&](EMasterRecord& record) {
        record.period = 'I';
        record.minutes = minutes;
        record.fieldBits = static_cast<std::uint8_t>(record.fieldBits | kBitTime);
        record.fieldCount = static_cast<std::uint8_t>(CountFieldBits(record.fieldBits));
        record.firstTime = IeeeBytes(firstTime);
        record.lastTime = IeeeBytes(lastTime);
    });
}

}  // namespace torvan
