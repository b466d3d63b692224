// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/DatabaseReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "database/DataFile.h"
#include "database/Index.h"
#include "database/IndexFields.h"
#include "database/Mbf.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// Labels of a description file mapped to column names.
constexpr std::array<std::array<const char*, 2>, 9> kLabelNames = {{
    {"DATE", "Date"},
    {"TIME", "Time"},
    {"OPEN", "Open"},
    {"HIGH", "High"},
    {"LOW", "Low"},
    {"CLOSE", "Close"},
    {"VOL", "Volume"},
    {"VOLUME", "Volume"},
    {"OI", "OpenInterest"},
}};

std::vector<std::string> DailyLayout(int count) {
    switch (count) {
        case 1:
            return {"Date"};
        case 2:
            return {"Date", "Close"};
        case 3:
            return {"Date", "Close", "Volume"};
        case 4:
            return {"Date", "High", "Low", "Close"};
        case 5:
            return {"Date", "High", "Low", "Close", "Volume"};
        case 6:
            return {"Date", "Open", "High", "Low", "Close", "Volume"};
        default:
            return {"Date", "Open", "High", "Low", "Close", "Volume", "OpenInterest"};
    }
}

// The labels of a description file, one per non-empty line: the quoted
// text, or the text before the first comma.
std::vector<std::string> DescriptionLabels(const std::string& text) {
    std::vector<std::string> labels;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        std::string label;
        if (line.front() == '"') {
            label = line.substr(1, line.find('"', 1) - 1);
        } else {
            label = line.substr(0, line.find(','));
        }
        labels.push_back(label);
    }
    return labels;
}

std::string SecurityFile(const std::string& directory, int fileNumber, const char* extension) {
    auto found = FindFileNoCase(directory, "F" + std::to_string(fileNumber) + extension);
    return found ? *found : std::string();
}

// The header's count of price records in a data file, if it can be read.
std::optional<int> CountedRecords(const std::string& path) {
    File file;
    std::uint8_t header[4];
    if (path.empty() || !file.Open(path, File::Mode::Read) || !file.ReadExact(header, 4)) {
        return std::nullopt;
    }
    const int count = GetU16(header + 2);
    return count > 0 ? count - 1 : 0;
}

}  // namespace

std::string FieldLetters(const std::vector<std::string>& names) {
    std::string letters;
    for (const std::string& name : names) {
        letters += name == "OpenInterest" ? 'I' : name.rfind("Field", 0) == 0 ? '?' : name[0];
    }
    return letters;
}

std::vector<std::string> FieldNames(const std::string& directory, const MasterRecord& record) {
    return FieldNames(directory, record.fileNumber, record.fieldCount,
                      static_cast<char>(record.period), 0);
}

std::vector<std::string> FieldNames(const std::string& directory, int fileNumber, int fieldCount,
                                    char period, std::uint8_t fieldBits) {
    const int count = fieldCount;
    const std::string dop = SecurityFile(directory, fileNumber, ".DOP");
    if (!dop.empty()) {
        const auto text = ReadWholeFile(dop);
        const auto labels = text ? DescriptionLabels(*text) : std::vector<std::string>();
        if (labels.size() == static_cast<std::size_t>(count)) {
            std::vector<std::string> names;
            for (const std::string& label : labels) {
                std::string name = label;
                for (const auto& [stored, shown] : kLabelNames) {
                    if (EqualsNoCase(label, stored)) {
                        name = shown;
                    }
                }
                names.push_back(name);
            }
            return names;
        }
    }
    if (fieldBits != 0 && CountFieldBits(fieldBits) == count) {
        return FieldNamesOfBits(fieldBits);
    }
    std::vector<std::string> names;
    if (period == 'I' && count >= 2) {
        names = DailyLayout(count - 1);
        names.insert(names.begin() + 1, "Time");
    } else if (count >= 1) {
        names = DailyLayout(count);
    }
    for (int k = static_cast<int>(names.size()); k < count; ++k) {
        names.push_back("Field" + std::to_string(k + 1));
    }
    names.resize(static_cast<std::size_t>(std::max(count, 0)));
    return names;
}

std::string StoredDateText(float stored) {
    std::string text;
    AppendStoredDateText(text, stored);
    return text;
}

std::string TimeText(float hhmmss) {
    const long number = std::lround(hhmmss);
    if (static_cast<float>(number) != hhmmss || number < 0 || number > 235959 ||
        number / 100 % 100 > 59 || number % 100 > 59) {
        return NumberText(hhmmss);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", number / 10000, number / 100 % 100,
                  number % 100);
    return text;
}

std::string NumberText(float value) {
    std::string text;
    AppendNumberText(text, value);
    return text;
}

void AppendStoredDateText(std::string& out, float stored) {
    if (stored == 0.0F) {
        return;
    }
    const long number = std::lround(stored);
    const long month = number / 100 % 100;
    const long day = number % 100;
    if (number <= 0 || static_cast<float>(number) != stored || month < 1 || month > 12 || day < 1 ||
        day > 31) {
        AppendNumberText(out, stored);
        return;
    }
    // YYYY-MM-DD; the year has four digits at least, as it is 1900 or later.
    char text[32];
    char* end = std::to_chars(text, text + 20, number / 10000 + 1900).ptr;
    for (const long part : {month, day}) {
        *end++ = '-';
        *end++ = static_cast<char>('0' + part / 10);
        *end++ = static_cast<char>('0' + part % 10);
    }
    out.append(text, end);
}

void AppendNumberText(std::string& out, float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

std::string SecurityEntry::PriceFileName() const {
    return "F" + std::to_string(fileNumber) + (inXMaster ? ".MWD" : ".DAT");
}

namespace {

// The times of an intraday security's first and last records.
void ReadEndTimes(const std::string& path, SecurityEntry& entry) {
    const auto time = std::find(entry.fieldNames.begin(), entry.fieldNames.end(), "Time");
    const std::size_t recordSize = 4U * entry.record.fieldCount;
    if (time == entry.fieldNames.end() || !entry.recordCount || *entry.recordCount < 1 ||
        recordSize == 0) {
        return;
    }
    const auto at = static_cast<std::size_t>(time - entry.fieldNames.begin()) * 4;
    File file;
    std::uint8_t bytes[4];
    auto read = [&](std::size_t record, std::optional<float>& out) {
        if (file.Seek(record * recordSize + at) && file.ReadExact(bytes, sizeof bytes)) {
            out = MbfToFloat(bytes);
        }
    };
    if (file.Open(path, File::Mode::Read)) {
        read(1, entry.firstTime);
        read(static_cast<std::size_t>(*entry.recordCount), entry.lastTime);
    }
}

SecurityEntry EntryOf(const std::string& directory, const IndexEntry& index) {
    SecurityEntry entry;
    entry.directory = directory;
    entry.fileNumber = index.fileNumber;
    entry.symbol = index.symbol;
    entry.name = index.name;
    entry.inXMaster = index.source == IndexSource::kXMaster;
    entry.isSubdirectory = index.subdirectory;
    if (entry.inXMaster) {
        MasterRecord& r = entry.record;
        r.fieldCount = static_cast<std::uint8_t>(index.fieldCount);
        r.recordLength = static_cast<std::uint8_t>(4 * index.fieldCount);
        r.fileType = {0x65, 0x00};
        r.name = PadField(index.name);
        r.symbol = PadField(index.symbol);
        r.firstDate = FloatToMbf(index.firstDate);
        r.lastDate = FloatToMbf(index.lastDate);
        r.period = static_cast<std::uint8_t>(index.period);
    } else {
        entry.record = index.master;
    }
    if (!entry.isSubdirectory) {
        entry.fieldNames = FieldNames(directory, index.fileNumber, index.fieldCount, index.period,
                                      index.fieldBits);
        const std::string path =
            SecurityFile(directory, index.fileNumber, entry.inXMaster ? ".MWD" : ".DAT");
        entry.recordCount = CountedRecords(path);
        if (index.period == 'I') {
            entry.barMinutes = index.minutes;
            ReadEndTimes(path, entry);
        }
    }
    return entry;
}

bool SameDirectory(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

bool ListSecurities(const std::string& directory, std::vector<SecurityEntry>& entries,
                    std::vector<UnreadIndexFile>* unread) {
    entries.clear();
    if (unread != nullptr) {
        unread->clear();
    }
    // Every security's files are looked up, missing ones too.
    const DirectoryListingScope listing(directory);
    DatabaseIndex index;
    if (!ReadDatabaseIndex(directory, index)) {
        return false;
    }
    for (const IndexEntry& item : index.entries) {
        entries.push_back(EntryOf(directory, item));
    }
    if (unread != nullptr) {
        *unread = std::move(index.unread);
    }
    return true;
}

namespace {

// The entry and data file path of the security, as ReadSecurity finds it.
ReadResult FindForReading(const std::string& directory, const std::string& symbol,
                          SecurityRecords& out) {
    out = SecurityRecords{};
    const DirectoryListingScope listing(directory);
    DatabaseIndex index;
    if (!ReadDatabaseIndex(directory, index)) {
        return ReadResult::kNoMaster;
    }
    MasterRecord record;
    SecurityLocation where;
    const IndexEntry* found = nullptr;
    if (FindSecurity(directory, symbol, record, &where) == kFound) {
        // A security of this directory's MASTER: its EMASTER entry, when in
        // step, names the fields and gives the long name.
        if (SameDirectory(where.directory, directory)) {
            for (const IndexEntry& item : index.entries) {
                if (item.source == IndexSource::kMaster && item.master.Pack() == record.Pack()) {
                    found = &item;
                    break;
                }
            }
        }
        if (found == nullptr) {
            IndexEntry item;
            item.fileNumber = record.fileNumber;
            item.symbol = record.SymbolText();
            item.name = record.NameText();
            item.fieldCount = record.fieldCount;
            item.period = static_cast<char>(record.period);
            item.minutes = GetU16(record.reserved3.data());
            item.master = record;
            out.entry = EntryOf(where.directory, item);
        }
    } else {
        for (const IndexEntry& item : index.entries) {
            if (item.source == IndexSource::kXMaster &&
                (EqualsNoCase(item.symbol, symbol) || EqualsNoCase(item.name, symbol))) {
                found = &item;
                break;
            }
        }
        if (found == nullptr) {
            // "Not there" only when every index that could list it was read.
            if (where.ReadError()) {
                out.unread = {UnreadIndexFile::Kind::kMaster, where.unreadableMaster,
                              UnreadIndexFile::Why::kCannotRead};
                return ReadResult::kCannotReadIndex;
            }
            for (const UnreadIndexFile& unread : index.unread) {
                if (unread.kind == UnreadIndexFile::Kind::kXMaster) {
                    out.unread = unread;
                    return ReadResult::kCannotReadIndex;
                }
            }
            return ReadResult::kNotFound;
        }
    }
    if (found != nullptr) {
        out.entry = EntryOf(directory, *found);
    }
    out.dataPath = SecurityFile(out.entry.directory, out.entry.fileNumber,
                                out.entry.inXMaster ? ".MWD" : ".DAT");
    return out.dataPath.empty() || out.entry.record.fieldCount < 1 ? ReadResult::kCannotReadData
                                                                   : ReadResult::kOk;
}

// Records read at a time when all of them are read.
constexpr std::size_t kRecordsPerRead = 4096;

std::vector<float> RowOf(const std::uint8_t* bytes, std::size_t fields) {
    std::vector<float> row(fields);
    for (std::size_t i = 0; i < fields; ++i) {
        row[i] = MbfToFloat(bytes + 4 * i);
    }
    return row;
}

}  // namespace

ReadResult ReadSecurity(const std::string& directory, const std::string& symbol,
                        SecurityRecords& out) {
    std::vector<std::vector<float>> rows;
    const ReadResult result = ReadSecurity(
        directory, symbol, out, [&rows](auto row) { rows.emplace_back(row.begin(), row.end()); });
    out.rows = result == ReadResult::kOk ? std::move(rows) : std::vector<std::vector<float>>();
    return result;
}

ReadResult ReadSecurity(const std::string& directory, const std::string& symbol,
                        SecurityRecords& out, const RowTaker& take) {
    const ReadResult found = FindForReading(directory, symbol, out);
    if (found != ReadResult::kOk) {
        return found;
    }
    const auto fields = static_cast<std::size_t>(out.entry.record.fieldCount);
    const std::size_t recordSize = 4 * fields;
    File file;
    std::vector<std::uint8_t> bytes(recordSize * kRecordsPerRead);
    if (!file.Open(out.dataPath, File::Mode::Read) || !file.ReadExact(bytes.data(), recordSize)) {
        return ReadResult::kCannotReadData;
    }
    // The header's count rules: bytes past it are no records. So do those
    // of a last record cut short.
    const std::uint16_t counted = GetU16(bytes.data() + 2);
    std::size_t left = counted > 0 ? counted - 1U : SIZE_MAX;
    std::size_t rows = 0;
    std::vector<float> row(fields);
    while (left > 0) {
        const std::size_t got = file.Read(bytes.data(), bytes.size());
        const std::size_t whole = std::min(got / recordSize, left);
        for (std::size_t r = 0; r < whole; ++r) {
            for (std::size_t i = 0; i < fields; ++i) {
                row[i] = MbfToFloat(bytes.data() + r * recordSize + 4 * i);
            }
            take(row);
        }
        rows += whole;
        left -= whole;
        if (got < bytes.size()) {
            break;
        }
    }
    if (file.Failed()) {
        return ReadResult::kCannotReadData;
    }
    out.entry.recordCount = static_cast<int>(rows);
    return ReadResult::kOk;
}

ReadResult ReadSecurityEnds(const std::string& directory, const std::string& symbol,
                            SecurityRecords& out) {
    const ReadResult found = FindForReading(directory, symbol, out);
    if (found != ReadResult::kOk) {
        return found;
    }
    const auto fields = static_cast<std::size_t>(out.entry.record.fieldCount);
    const std::size_t recordSize = 4 * fields;
    File file;
    std::vector<std::uint8_t> record(recordSize);
    const auto size = file.Open(out.dataPath, File::Mode::Read) ? file.Size() : std::nullopt;
    if (!size || !file.ReadExact(record.data(), recordSize)) {
        return ReadResult::kCannotReadData;
    }
    // As ReadSecurity counts them: whole records, no more than the header's.
    std::size_t rows = static_cast<std::size_t>(*size / recordSize) - 1;
    const std::uint16_t counted = GetU16(record.data() + 2);
    if (counted > 0) {
        rows = std::min<std::size_t>(rows, counted - 1U);
    }
    out.entry.recordCount = static_cast<int>(rows);
    auto readRow = [&](std::size_t r) {
        if (!file.Seek(r * recordSize) || !file.ReadExact(record.data(), recordSize)) {
            return false;
        }
        out.rows.push_back(RowOf(record.data(), fields));
        return true;
    };
    if ((rows >= 1 && !readRow(1)) || (rows >= 2 && !readRow(rows))) {
        return ReadResult::kCannotReadData;
    }
    return ReadResult::kOk;
}

}  // namespace torvan
