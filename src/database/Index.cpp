// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Index.h"

#include "database/IndexFields.h"
#include "platform/FileSystem.h"

namespace torvan {

std::string IndexEntry::PriceFileName() const {
    return "F" + std::to_string(fileNumber) + (source == IndexSource::kXMaster ? ".MWD" : ".DAT");
}

std::string UnreadIndexFile::Text() const {
    const char* name = kind == Kind::kMaster    ? "MASTER"
                       : kind == Kind::kEMaster ? "EMASTER"
                                                : "XMASTER";
    if (why == Why::kNoMark) {
        return "The " + std::string(name) + " file " + path +
               " does not begin with the XMASTER mark";
    }
    return "Cannot read the " + std::string(name) + " file " + path;
}

bool EMasterInStep(const MasterFile& master, const EMasterFile& emaster) {
    const std::size_t count = emaster.header.entryCount;
    if (count != master.header.entryCount || emaster.records.size() < count ||
        master.records.size() < count) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (emaster.records[i].fileNumber != master.records[i].fileNumber) {
            return false;
        }
    }
    return true;
}

bool ReadDatabaseIndex(const std::string& directory, DatabaseIndex& index) {
    index = DatabaseIndex{};
    index.directory = directory;
    const auto masterPath = FindFileNoCase(directory, "MASTER");
    if (!masterPath || !ReadMaster(directory, index.master)) {
        return false;
    }
    index.masterPath = *masterPath;

    using Kind = UnreadIndexFile::Kind;
    using Why = UnreadIndexFile::Why;
    index.emasterPath = FindEMaster(directory);
    if (index.emasterPath) {
        EMasterFile emaster;
        const auto content = ReadWholeFile(*index.emasterPath);
        if (!content) {
            index.unread.push_back({Kind::kEMaster, *index.emasterPath, Why::kCannotRead});
        } else if (ParseEMaster(*content, emaster)) {
            index.emasterInStep = EMasterInStep(index.master, emaster);
            index.emaster = std::move(emaster);
        }
    }
    index.xmasterPath = FindXMaster(directory);
    if (index.xmasterPath) {
        XMasterFile xmaster;
        const auto content = ReadWholeFile(*index.xmasterPath);
        if (!content) {
            index.unread.push_back({Kind::kXMaster, *index.xmasterPath, Why::kCannotRead});
        } else if (ParseXMaster(*content, xmaster)) {
            if (xmaster.header.HasMagic()) {
                index.xmaster = std::move(xmaster);
            } else {
                index.unread.push_back({Kind::kXMaster, *index.xmasterPath, Why::kNoMark});
            }
        }
    }

    index.entries.reserve(index.master.records.size() +
                          (index.xmaster ? index.xmaster->CountedEntries() : 0));
    for (std::size_t i = 0; i < index.master.records.size(); ++i) {
        const MasterRecord& record = index.master.records[i];
        IndexEntry entry;
        entry.source = IndexSource::kMaster;
        entry.position = i + 1;
        entry.fileNumber = record.fileNumber;
        entry.symbol = record.SymbolText();
        entry.name = record.NameText();
        entry.fieldCount = record.fieldCount;
        entry.period = static_cast<char>(record.period);
        entry.minutes = GetU16(record.reserved3.data());
        entry.firstDate = MbfToFloat(record.firstDate);
        entry.lastDate = MbfToFloat(record.lastDate);
        entry.subdirectory = record.IsSubdirectory();
        entry.master = record;
        if (index.emasterInStep) {
            const EMasterRecord& extra = index.emaster->records[i];
            const std::string name = extra.LongNameText();
            if (!name.empty()) {
                entry.name = name;
            }
            if (CountFieldBits(extra.fieldBits) == record.fieldCount) {
                entry.fieldBits = extra.fieldBits;
            }
        }
        index.entries.push_back(std::move(entry));
    }
    if (index.xmaster) {
        for (std::size_t i = 0; i < index.xmaster->CountedEntries(); ++i) {
            const XMasterRecord& record = index.xmaster->records[i];
            IndexEntry entry;
            entry.source = IndexSource::kXMaster;
            entry.position = i + 1;
            entry.fileNumber = record.fileNumber;
            entry.symbol = record.SymbolText();
            entry.name = record.NameText();
            entry.fieldBits = record.fieldBits;
            entry.fieldCount = CountFieldBits(record.fieldBits);
            entry.period = static_cast<char>(record.period);
            entry.minutes = record.minutes;
            entry.firstDate = YyyymmddToStored(record.firstDate);
            entry.lastDate = YyyymmddToStored(record.lastDate);
            index.entries.push_back(std::move(entry));
        }
    }
    return true;
}

}  // namespace torvan
