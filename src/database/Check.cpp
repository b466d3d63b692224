// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Check.h"

#include <algorithm>
#include <map>
#include <optional>

#include "database/DatabaseReader.h"
#include "database/EMaster.h"
#include "database/IndexFields.h"
#include "database/Master.h"
#include "database/Mbf.h"
#include "database/XMaster.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace torvan {
namespace {

std::string FileName(const std::string& path) {
    return FileNameOf(path);
}

std::string Plural(std::size_t n, const std::string& word) {
    if (n == 1) {
        return "1 " + word;
    }
    if (word.back() == 'y') {
        return std::to_string(n) + " " + word.substr(0, word.size() - 1) + "ies";
    }
    return std::to_string(n) + " " + word + "s";
}

// Text from a file as a finding shows it: on one line, control characters
// as '?'.
std::string Printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return text;
}

// An entry as findings name it: "MASTER entry 3 (IBM)".
std::string EntryLabel(const std::string& file, std::size_t position, const std::string& symbol) {
    return Printable(file) + " entry " + std::to_string(position) + " (" + Printable(symbol) + ")";
}

class Checker {
  public:
    explicit Checker(std::string directory) : m_directory(std::move(directory)) {}

    std::vector<Finding> Run();

  private:
    void Add(const char* id, const std::string& file, const std::string& text) {
        m_findings.push_back(Finding{id, file, text});
    }

    // A whole index file's size against its records and the header's count.
    void CheckLayout(const std::string& file, std::uint64_t size, std::size_t recordSize,
                     std::size_t counted);
    void CheckMaster();
    void CheckEMaster();
    void CheckXMaster();
    // intraday: the records hold a time after the date and go in date,
    // then time order.
    void CheckPriceFile(const std::string& name, int fieldCount, const std::string& owner,
                        bool intraday = false);
    void CheckRecordOrder(const std::string& file, const std::uint8_t* bytes,
                          std::size_t recordSize, std::size_t records, bool intraday);
    void CheckDates(const std::string& file, const std::string& owner, float first, float last);
    void CheckUses();

    std::string m_directory;
    std::vector<Finding> m_findings;

    std::string m_masterName = "MASTER";
    MasterFile m_master;  // the counted entries as the file holds them
    std::map<int, std::vector<std::string>> m_numbers;
    std::map<std::string, std::vector<std::string>> m_symbols;
};

std::vector<Finding> Checker::Run() {
    CheckMaster();
    if (m_findings.empty() || m_findings.front().id != "NoMaster") {
        CheckEMaster();
        CheckXMaster();
        CheckUses();
    }
    return m_findings;
}

void Checker::CheckLayout(const std::string& file, std::uint64_t size, std::size_t recordSize,
                          std::size_t counted) {
    const std::uint64_t body = size - recordSize;
    const std::uint64_t whole = body / recordSize;
    if (body % recordSize != 0) {
        Add("PartialRecord", file,
            Plural(static_cast<std::size_t>(body % recordSize), "byte") + " after the last whole " +
                std::to_string(recordSize) + "-byte record");
    }
    if (whole != counted) {
        Add("CountMismatch", file,
            "the header counts " + Plural(counted, "entry") + " but the file holds " +
                Plural(static_cast<std::size_t>(whole), "record"));
    }
}

void Checker::CheckMaster() {
    const auto path = FindFileNoCase(m_directory, "MASTER");
    if (!path) {
        Add("NoMaster", "MASTER", "there is no MASTER file in this directory");
        return;
    }
    m_masterName = FileName(*path);
    const auto content = ReadWholeFile(*path);
    if (!content) {
        Add("NoMaster", m_masterName, "cannot be read");
        return;
    }
    if (content->size() < kMasterRecordSize) {
        Add("NoMaster", m_masterName,
            "holds " + Plural(content->size(), "byte") + ", less than its 53-byte header");
        return;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content->data());
    m_master.header = MasterHeader::Unpack(bytes);
    const std::size_t counted = m_master.header.entryCount;
    CheckLayout(m_masterName, content->size(), kMasterRecordSize, counted);
    if (counted > static_cast<std::size_t>(kMaxSecurities)) {
        Add("TooManyEntries", m_masterName,
            "the header counts " + std::to_string(counted) + " entries, more than the " +
                std::to_string(kMaxSecurities) + " a MASTER can hold");
    }
    for (std::size_t i = 0; i < counted; ++i) {
        const std::size_t offset = kMasterRecordSize * (i + 1);
        if (offset + kMasterRecordSize > content->size()) {
            break;
        }
        m_master.records.push_back(MasterRecord::Unpack(bytes + offset));
    }

    for (std::size_t i = 0; i < m_master.records.size(); ++i) {
        const MasterRecord& record = m_master.records[i];
        if (record.IsSubdirectory()) {
            continue;
        }
        const std::string label = EntryLabel(m_masterName, i + 1, record.SymbolText());
        if (record.fileNumber == 0) {
            Add("FileNumberZero", m_masterName, label + " has file number 0");
            continue;
        }
        m_numbers[record.fileNumber].push_back(label);
        m_symbols[ToUpperAscii(record.SymbolText())].push_back(label);
        if (record.fieldCount < 1 || record.fieldCount > 8) {
            Add("FieldCount", m_masterName,
                label + " has " + std::to_string(record.fieldCount) +
                    " fields (1 to 8 make sense)");
            continue;
        }
        if (record.recordLength != 4 * record.fieldCount) {
            Add("RecordLength", m_masterName,
                label + " has record length " + std::to_string(record.recordLength) + " but " +
                    Plural(record.fieldCount, "field") + " take " +
                    std::to_string(4 * record.fieldCount) + " bytes");
        }
        CheckDates(m_masterName, label, MbfToFloat(record.firstDate), MbfToFloat(record.lastDate));
        CheckPriceFile("F" + std::to_string(record.fileNumber) + ".DAT", record.fieldCount, label,
                       record.period == 'I' && record.fieldCount >= 2);
    }
}

void Checker::CheckDates(const std::string& file, const std::string& owner, float first,
                         float last) {
    if (IsStoredDate(first) && IsStoredDate(last) && first > last) {
        Add("FirstAfterLast", file,
            owner + " has its first date " + StoredDateString(first) + " after its last date " +
                StoredDateString(last));
    }
}

void Checker::CheckPriceFile(const std::string& name, int fieldCount, const std::string& owner,
                             bool intraday) {
    const auto path = FindFileNoCase(m_directory, name);
    if (!path) {
        Add("PriceFileMissing", name, "missing (the price file of " + owner + ")");
        return;
    }
    const std::string file = FileName(*path);
    const auto content = ReadWholeFile(*path);
    if (!content) {
        Add("PriceFileUnreadable", file, "cannot be read (the price file of " + owner + ")");
        return;
    }
    const std::size_t recordSize = 4 * static_cast<std::size_t>(fieldCount);
    if (content->size() < recordSize) {
        Add("PriceFileShort", file,
            "holds " + Plural(content->size(), "byte") + ", less than its " +
                std::to_string(recordSize) + "-byte header record");
        return;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content->data());
    const std::size_t counted = GetU16(bytes + 2);
    const std::size_t whole = content->size() / recordSize;
    if (content->size() % recordSize != 0) {
        Add("PartialRecord", file,
            Plural(content->size() % recordSize, "byte") + " after the last whole " +
                std::to_string(recordSize) + "-byte record");
    }
    if (whole != counted) {
        Add("CountMismatch", file,
            "the header counts " + Plural(counted, "record") +
                " (with itself) but the file holds " + std::to_string(whole));
    }

    // The records a reader takes, as far as the file holds them.
    const std::size_t records = std::min(whole, std::max<std::size_t>(counted, 1));
    CheckRecordOrder(file, bytes, recordSize, records, intraday && fieldCount >= 2);
}

void Checker::CheckRecordOrder(const std::string& file, const std::uint8_t* bytes,
                               std::size_t recordSize, std::size_t records, bool intraday) {
    std::size_t badDates = 0;
    std::size_t firstBad = 0;
    std::size_t backwards = 0;
    std::size_t firstBackwards = 0;
    std::size_t repeats = 0;
    std::size_t firstRepeat = 0;
    float previous = 0.0F;
    float previousTime = 0.0F;
    std::string before;
    // "2024-01-02" or, intraday, "2024-01-02 09:30:00".
    auto when = [&](float date, float time) {
        return StoredDateString(date) + (intraday ? " " + TimeText(time) : "");
    };
    for (std::size_t r = 1; r < records; ++r) {
        const float date = MbfToFloat(bytes + r * recordSize);
        const float time = intraday ? MbfToFloat(bytes + r * recordSize + 4) : 0.0F;
        if (!IsStoredDate(date)) {
            if (badDates++ == 0) {
                firstBad = r;
            }
            continue;
        }
        const bool sameDay = previous != 0.0F && date == previous;
        if (previous != 0.0F && (date < previous || (sameDay && time < previousTime))) {
            if (backwards++ == 0) {
                firstBackwards = r;
                before = when(previous, previousTime);
            }
        } else if (sameDay && time == previousTime && repeats++ == 0) {
            firstRepeat = r;
        }
        previous = date;
        previousTime = time;
    }
    if (badDates > 0) {
        Add("BadDate", file,
            "record " + std::to_string(firstBad) + " has no valid date (" +
                Plural(badDates, "record") + " in all)");
    }
    auto recordWhen = [&](std::size_t r) {
        const std::uint8_t* at = bytes + r * recordSize;
        return when(MbfToFloat(at), intraday ? MbfToFloat(at + 4) : 0.0F);
    };
    if (backwards > 0) {
        Add("DatesOutOfOrder", file,
            "record " + std::to_string(firstBackwards) + " (" + recordWhen(firstBackwards) +
                ") is dated before the one above it (" + before + "); " +
                Plural(backwards, "place") + " in all");
    }
    if (repeats > 0) {
        Add("DatesRepeated", file,
            "record " + std::to_string(firstRepeat) + " (" + recordWhen(firstRepeat) +
                ") repeats the date" + (intraday ? " and time" : "") + " of the one above it; " +
                Plural(repeats, "record") + " in all");
    }
}

void Checker::CheckEMaster() {
    const auto path = FindEMaster(m_directory);
    if (!path) {
        return;
    }
    const std::string file = FileName(*path);
    const auto content = ReadWholeFile(*path);
    EMasterFile emaster;
    if (!content) {
        Add("Unreadable", file, "cannot be read");
        return;
    }
    if (!ParseEMaster(*content, emaster)) {
        Add("IndexShort", file,
            "holds " + Plural(content->size(), "byte") + ", less than its 192-byte header");
        return;
    }
    CheckLayout(file, emaster.size, kEMasterRecordSize, emaster.header.entryCount);
    if (emaster.header.entryCount != m_master.header.entryCount) {
        Add("EMasterCount", file,
            "counts " + Plural(emaster.header.entryCount, "entry") + " but " + m_masterName +
                " counts " + std::to_string(m_master.header.entryCount) +
                " (readers then ignore the long names)");
    }
    const std::size_t common = std::min(emaster.CountedEntries(), m_master.records.size());
    for (std::size_t i = 0; i < common; ++i) {
        const EMasterRecord& extra = emaster.records[i];
        const MasterRecord& record = m_master.records[i];
        const std::string label = EntryLabel(file, i + 1, extra.SymbolText());
        const std::string other = EntryLabel(m_masterName, i + 1, record.SymbolText());
        if (extra.fileNumber != record.fileNumber) {
            Add("EMasterFileNumber", file,
                label + " is file " + std::to_string(extra.fileNumber) + " but " + other +
                    " is file " + std::to_string(record.fileNumber));
            continue;
        }
        if (record.IsSubdirectory()) {
            continue;
        }
        const std::string symbol = record.SymbolText().substr(0, kMaxIndexSymbol);
        if (extra.SymbolText() != symbol) {
            Add("EMasterSymbol", file,
                label + " has another symbol than " + other + " of the same file number");
            continue;
        }
        if (extra.fieldCount != record.fieldCount) {
            Add("EMasterFields", file,
                label + " has " + Plural(extra.fieldCount, "field") + " but " + other + " has " +
                    std::to_string(record.fieldCount));
        } else if (CountFieldBits(extra.fieldBits) != extra.fieldCount) {
            Add("EMasterFieldBits", file,
                label + " names " + Plural(CountFieldBits(extra.fieldBits), "field") +
                    " in its bitset but counts " + std::to_string(extra.fieldCount));
        }
        CheckDates(file, label, extra.FirstDate(), extra.LastDate());
    }
}

void Checker::CheckXMaster() {
    const auto path = FindXMaster(m_directory);
    if (!path) {
        return;
    }
    const std::string file = FileName(*path);
    const auto content = ReadWholeFile(*path);
    XMasterFile xmaster;
    if (!content) {
        Add("Unreadable", file, "cannot be read");
        return;
    }
    if (!ParseXMaster(*content, xmaster)) {
        Add("IndexShort", file,
            "holds " + Plural(content->size(), "byte") + ", less than its 150-byte header");
        return;
    }
    if (!xmaster.header.HasMagic()) {
        Add("XMasterMagic", file, "does not begin with the XMASTER mark 5D FE 58 4D");
        return;
    }
    const XMasterHeader& header = xmaster.header;
    CheckLayout(file, xmaster.size, kXMasterRecordSize, header.entryCount);
    if (header.entryCount2 != header.entryCount) {
        Add("XMasterCounts", file,
            "the header counts " + std::to_string(header.entryCount) +
                " entries at offset 10 but " + std::to_string(header.entryCount2) +
                " at offset 14");
    }
    int highest = 0;
    for (std::size_t i = 0; i < xmaster.CountedEntries(); ++i) {
        const XMasterRecord& record = xmaster.records[i];
        const std::string label = EntryLabel(file, i + 1, record.SymbolText());
        highest = std::max<int>(highest, record.fileNumber);
        if (record.fileNumber < kFirstXMasterFileNumber) {
            Add("XMasterLowNumber", file,
                label + " has file number " + std::to_string(record.fileNumber) +
                    "; XMASTER numbers begin at 256");
        }
        m_numbers[record.fileNumber].push_back(label);
        m_symbols[ToUpperAscii(record.SymbolText())].push_back(label);
        const int fields = CountFieldBits(record.fieldBits);
        if ((record.fieldBits & kBitDate) == 0) {
            Add("FieldCount", file, label + " has no date field in its field bitset");
            continue;
        }
        CheckDates(file, label, YyyymmddToStored(record.firstDate),
                   YyyymmddToStored(record.lastDate));
        CheckPriceFile("F" + std::to_string(record.fileNumber) + ".MWD", fields, label,
                       (record.fieldBits & kBitTime) != 0);
    }
    if (xmaster.CountedEntries() > 0 && header.nextFileNumber <= highest) {
        Add("XMasterNextNumber", file,
            "the next file number " + std::to_string(header.nextFileNumber) +
                " is not above the highest in use, " + std::to_string(highest));
    }
}

void Checker::CheckUses() {
    for (const auto& [number, users] : m_numbers) {
        if (users.size() > 1) {
            std::string text = "file number " + std::to_string(number) + " is used by ";
            for (std::size_t i = 0; i < users.size(); ++i) {
                text += i == 0 ? "" : (i + 1 == users.size() ? " and " : ", ");
                text += users[i];
            }
            Add("FileNumberTwice", m_masterName, text);
        }
    }
    for (const auto& [symbol, users] : m_symbols) {
        if (users.size() > 1 && !symbol.empty()) {
            std::string text = "symbol " + Printable(symbol) + " is used by ";
            for (std::size_t i = 0; i < users.size(); ++i) {
                text += i == 0 ? "" : (i + 1 == users.size() ? " and " : ", ");
                text += users[i];
            }
            Add("SymbolTwice", m_masterName, text);
        }
    }
}

}  // namespace

std::vector<Finding> CheckDatabase(const std::string& directory) {
    // Each security's files are looked up, missing ones too.
    const DirectoryListingScope listing(directory);
    return Checker(directory).Run();
}

}  // namespace torvan
