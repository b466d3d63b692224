// SPDX-License-Identifier: GPL-3.0-or-later
// The index files that charting programs and data vendors keep beside
// MASTER: EMASTER (long names, field bitsets) kept in step with MASTER, and
// XMASTER (securities 256 and up, price files F<n>.MWD).
#include <algorithm>
#include <filesystem>
#include <set>

#include "database/EMaster.h"
#include "database/Index.h"
#include "database/IndexFields.h"
#include "database/XMaster.h"
#include "engine/Converter.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// A new index file is spelled like the MASTER beside it ("xmaster" beside
// "master").
std::string SpelledLike(const std::string& masterPath, const std::string& name) {
    const std::string masterName = std::filesystem::path(masterPath).filename().string();
    return masterName == ToLowerAscii(masterName) ? ToLowerAscii(name) : name;
}

}  // namespace

int CConverter::ReadSideIndexes() {
    if (m_bSideRead) {
        return 0;
    }
    const std::string directory = DatabaseDirectory();
    for (auto [side, name] : {std::pair{&m_emaster, "EMASTER"}, std::pair{&m_xmaster, "XMASTER"}}) {
        *side = SideIndex{};
        const auto found = FindFileNoCase(directory, name);
        side->path = found ? *found : JoinPath(directory, SpelledLike(m_szMasterPath, name));
        // Noted before it is read: Commit refuses to overwrite a change
        // another program makes meanwhile.
        side->seen = StampOf(side->path);
        if (!found) {
            if (side == &m_emaster && m_bEMaster != 0) {
                // Asked for: made with the entries of every security in MASTER.
                side->content = NewEMasterContent();
                side->present = true;
            }
            continue;
        }
        auto content = ReadWholeFile(*found);
        if (!content) {
            return Fail(MessageId::kCannotReadIndexFile, {*found});
        }
        side->content = std::move(*content);
        side->present = true;
        side->existed = true;
    }
    m_bSideRead = true;
    return 0;
}

bool CConverter::SideIndexesHold(const std::string& symbol) const {
    const std::string_view sought = TrimRight(symbol, " ");
    EMasterFile emaster;
    if (m_emaster.present && ParseEMaster(m_emaster.content, emaster)) {
        for (std::size_t i = 0; i < emaster.CountedEntries(); ++i) {
            if (EqualsNoCase(emaster.records[i].SymbolText(), sought)) {
                return true;
            }
        }
    }
    XMasterFile xmaster;
    if (m_xmaster.present && ParseXMaster(m_xmaster.content, xmaster) &&
        xmaster.header.HasMagic()) {
        for (std::size_t i = 0; i < xmaster.CountedEntries(); ++i) {
            if (EqualsNoCase(xmaster.records[i].SymbolText(), sought)) {
                return true;
            }
        }
    }
    return false;
}

int CConverter::CheckIndexSymbol() {
    if (m_szSymbol.size() > kMaxIndexSymbol) {
        return Fail(MessageId::kSymbolTooLongForIndex,
                    {m_szSymbol, std::to_string(kMaxIndexSymbol)});
    }
    return 0;
}

int CConverter::PrepareEMaster(const std::vector<std::uint8_t>& masterBefore,
                               const MasterRecord& record, std::uint8_t highestFileNumber,
                               std::optional<std::string>& content) {
    content.reset();
    if (!m_emaster.present) {
        return 0;
    }
    MasterFile master;
    master.header = MasterHeader::Unpack(masterBefore.data());
    for (std::size_t offset = kMasterRecordSize;
         offset + kMasterRecordSize <= masterBefore.size() &&
         master.records.size() < master.header.entryCount;
         offset += kMasterRecordSize) {
        master.records.push_back(MasterRecord::Unpack(masterBefore.data() + offset));
    }
    EMasterFile emaster;
    const bool parsed = ParseEMaster(m_emaster.content, emaster);
    const std::size_t known = emaster.header.entryCount;
    const std::size_t listed = master.header.entryCount;
    // EMASTER may lag behind MASTER (a program that knows only MASTER added
    // to it): then it is the same securities up to its count.
    bool prefix = parsed && known <= listed && emaster.records.size() >= known &&
                  master.records.size() >= listed;
    for (std::size_t i = 0; prefix && i < known; ++i) {
        prefix = emaster.records[i].fileNumber == master.records[i].fileNumber;
    }
    std::vector<EMasterRecord> entries;
    if (prefix) {
        if (const int status = CheckIndexSymbol(); status != 0) {
            return status;
        }
        for (std::size_t i = known; i < listed; ++i) {
            entries.push_back(EMasterRecordFromMaster(master.records[i]));
        }
        entries.push_back(NewEMasterRecord(record.fileNumber, m_szSymbol, m_szName, m_bFieldOn));
        content = InsertEMasterEntries(m_emaster.content, entries, highestFileNumber);
    }
    if (!content) {
        Say(MessageId::kEMasterOutOfStep,
            {m_emaster.path, std::to_string(known), std::to_string(listed)});
        return 0;
    }
    if (entries.size() > 1 && m_emaster.existed) {
        const std::string added = std::to_string(entries.size() - 1);
        Say(MessageId::kEMasterCompleted, {m_emaster.path, added});
    }
    return 0;
}

int CConverter::PrepareXMasterEntry(const std::vector<std::uint8_t>& masterBefore,
                                    int& fileNumber) {
    fileNumber = 0;
    if (!m_xmaster.present && m_bXMaster == 0) {
        Say(MessageId::kPortfolioFull);
        return 1;
    }
    XMasterFile xmaster;
    const std::string before = m_xmaster.present ? m_xmaster.content : NewXMasterContent();
    if (!ParseXMaster(before, xmaster) || !xmaster.header.HasMagic()) {
        return Fail(MessageId::kNotAnXMaster, {m_xmaster.path});
    }
    if (const int status = CheckIndexSymbol(); status != 0) {
        return status;
    }
    // Numbers of every record, also those past the count, and of MASTER:
    // their price files may still be there.
    std::set<int> used;
    for (const XMasterRecord& record : xmaster.records) {
        used.insert(record.fileNumber);
    }
    for (std::size_t offset = kMasterRecordSize; offset + kMasterRecordSize <= masterBefore.size();
         offset += kMasterRecordSize) {
        used.insert(masterBefore[offset]);
    }
    const std::string directory = DatabaseDirectory();
    for (int n = kFirstXMasterFileNumber; n <= kMaxXMasterFileNumber && fileNumber == 0; ++n) {
        if (used.count(n) == 0 && !FindMwdFile(directory, n)) {
            fileNumber = n;
        }
    }
    if (fileNumber == 0 || xmaster.CountedEntries() >= 0xFFFF) {
        return Fail(MessageId::kXMasterFull, {m_xmaster.path});
    }
    m_xmaster.changed =
        InsertXMasterEntry(before, NewXMasterRecord(fileNumber, m_szSymbol, m_szName, m_bFieldOn));
    if (!m_xmaster.changed) {
        return Fail(MessageId::kNotAnXMaster, {m_xmaster.path});
    }
    m_bInXMaster = true;
    return 0;
}

void CConverter::SetSideIndexDates(float first, float last, int fileNumber) {
    if (m_bInXMaster && m_xmaster.changed) {
        SetXMasterDates(*m_xmaster.changed, fileNumber, StoredToYyyymmdd(first),
                        StoredToYyyymmdd(last));
    } else if (!m_bInXMaster && m_emaster.changed) {
        SetEMasterDates(*m_emaster.changed, fileNumber, first, last);
    }
}

}  // namespace torvan
