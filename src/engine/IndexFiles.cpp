// SPDX-License-Identifier: GPL-3.0-or-later
// The index files that charting programs and data vendors keep beside
// MASTER: EMASTER (long names, field bitsets) kept in step with MASTER, and
// XMASTER (securities 256 and up, price files F<n>.MWD).
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "database/DataFile.h"
#include "database/EMaster.h"
#include "database/Index.h"
#include "database/IndexFields.h"
#include "database/XMaster.h"
#include "engine/Converter.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// A new index file is spelled like the MASTER beside it ("xmaster" beside
// "master").
std::string SpelledLike(const std::string& masterPath, const std::string& name) {
    const std::string masterName = FileNameOf(masterPath);
    return masterName == ToLowerAscii(masterName) ? ToLowerAscii(name) : name;
}

// An XMASTER's content taken in place, a record at a time: one of thousands
// of entries is not copied into a vector of its records at every look.
struct XMasterView {
    const std::string& content;

    const std::uint8_t* Bytes() const {
        return reinterpret_cast<const std::uint8_t*>(content.data());
    }
    bool Valid() const {
        return content.size() >= kXMasterRecordSize && XMasterHeader::Unpack(Bytes()).HasMagic();
    }
    // Every whole record, also those past the header's count.
    std::size_t Records() const { return content.size() / kXMasterRecordSize - 1; }
    std::size_t Counted() const {
        return std::min<std::size_t>(XMasterHeader::Unpack(Bytes()).entryCount, Records());
    }
    XMasterRecord Record(std::size_t i) const {
        return XMasterRecord::Unpack(Bytes() + kXMasterRecordSize * (i + 1));
    }
};

// The header's count and the entries held, as texts, of an EMASTER or
// XMASTER whose count promises more entries than it holds: one cut short.
// Records past the count are kept as they are: an EMASTER may lag behind
// MASTER.
std::optional<std::pair<std::string, std::string>> CountBeyondRecords(const std::string& content,
                                                                      bool emaster) {
    std::size_t counted = 0;
    std::size_t held = 0;
    if (EMasterFile e; emaster && ParseEMaster(content, e)) {
        counted = e.header.entryCount;
        held = e.records.size();
    } else if (XMasterFile x; !emaster && ParseXMaster(content, x) && x.header.HasMagic()) {
        counted = x.header.entryCount;
        held = x.records.size();
    }
    if (counted <= held) {
        return std::nullopt;
    }
    return std::pair{std::to_string(counted), std::to_string(held)};
}

}  // namespace

int CConverter::ReadSideIndexes() {
    if (!m_bSideRead && m_pBatch && m_pBatch->indexes.loaded) {
        m_emaster = m_pBatch->indexes.emaster;
        m_xmaster = m_pBatch->indexes.xmaster;
        m_bSideRead = true;
    }
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
        if (const auto counted = CountBeyondRecords(*content, side == &m_emaster)) {
            return Fail(MessageId::kIndexCountDisagrees, {*found, counted->first, counted->second});
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
    const XMasterView xmaster{m_xmaster.content};
    if (m_xmaster.present && xmaster.Valid()) {
        for (std::size_t i = 0; i < xmaster.Counted(); ++i) {
            if (EqualsNoCase(xmaster.Record(i).SymbolText(), sought)) {
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
        return Fail(MessageId::kPortfolioFull, {m_szMasterPath});
    }
    const std::string fresh = m_xmaster.present ? std::string() : NewXMasterContent();
    const std::string& before = m_xmaster.present ? m_xmaster.content : fresh;
    const XMasterView xmaster{before};
    if (!xmaster.Valid()) {
        return Fail(MessageId::kNotAnXMaster, {m_xmaster.path});
    }
    if (const int status = CheckIndexSymbol(); status != 0) {
        return status;
    }
    // Numbers of every record, also those past the count, and of MASTER:
    // their price files may still be there.
    std::vector<bool> used(kMaxXMasterFileNumber + 1);
    for (std::size_t i = 0; i < xmaster.Records(); ++i) {
        used[xmaster.Record(i).fileNumber] = true;
    }
    for (std::size_t offset = kMasterRecordSize; offset + kMasterRecordSize <= masterBefore.size();
         offset += kMasterRecordSize) {
        used[masterBefore[offset]] = true;
    }
    // A number whose price files are in the folder, in any case, is taken
    // whatever the indexes say.
    for (const int n : NumbersWithPriceFiles(DatabaseDirectory())) {
        if (n >= 0 && n <= kMaxXMasterFileNumber) {
            used[static_cast<std::size_t>(n)] = true;
        }
    }
    for (int n = kFirstXMasterFileNumber; n <= kMaxXMasterFileNumber && fileNumber == 0; ++n) {
        if (!used[static_cast<std::size_t>(n)]) {
            fileNumber = n;
        }
    }
    if (fileNumber == 0 || xmaster.Counted() >= 0xFFFF) {
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
