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

// The file F<n> + extension as it exists, in any letter case.
std::string PriceFilePathOf(const std::string& directory, int fileNumber, const char* extension) {
    const std::string name = "F" + std::to_string(fileNumber) + extension;
    const auto found = FindFileNoCase(directory, name);
    return found ? *found : JoinPath(directory, name);
}

}  // namespace

std::string CConverter::PriceFilePath(int fileNumber) const {
    const std::string directory = DatabaseDirectory();
    if (m_bInXMaster && fileNumber == m_nFileNumber) {
        return PriceFilePathOf(directory, fileNumber, ".MWD");
    }
    return ExistingDataFilePath(directory, fileNumber);
}

int CConverter::ReadSideIndexes() {
    if (m_bSideRead) {
        return 0;
    }
    const std::string directory = DatabaseDirectory();
    for (auto [side, name] : {std::pair{&m_emaster, "EMASTER"}, std::pair{&m_xmaster, "XMASTER"}}) {
        *side = SideIndex{};
        const auto found = FindFileNoCase(directory, name);
        side->path = found ? *found : JoinPath(directory, SpelledLike(m_szMasterPath, name));
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
            return Fail("CannotReadIndexFile", {*found}, "Cannot read the index file:\n" + *found);
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
        return Fail("SymbolTooLongForIndex", {m_szSymbol, std::to_string(kMaxIndexSymbol)},
                    "The symbol " + m_szSymbol + " is longer than the " +
                        std::to_string(kMaxIndexSymbol) +
                        " characters that EMASTER and XMASTER hold.\nChoose a shorter symbol.");
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
        Say("EMasterOutOfStep", {m_emaster.path, std::to_string(known), std::to_string(listed)},
            "The EMASTER file does not match MASTER (it lists " + std::to_string(known) +
                " securities, MASTER " + std::to_string(listed) +
                "), so programs do not use its long names.\nIt was left as it is; the new "
                "security is listed in MASTER.\n" +
                m_emaster.path,
            kMbOk | kMbIconExclamation);
        return 0;
    }
    if (entries.size() > 1 && m_emaster.existed) {
        const std::string added = std::to_string(entries.size() - 1);
        Say("EMasterCompleted", {m_emaster.path, added},
            "The EMASTER file lacked the last " + added +
                " securities of MASTER; they were added to it, so that programs show the long "
                "names again.\n" +
                m_emaster.path,
            kMbOk | kMbIconInformation);
    }
    return 0;
}

std::string CConverter::ReplaceContent(const std::string& path, const std::string& content,
                                       const char* suffix) {
    const std::string temp = path + suffix;
    File out;
    bool ok = out.Open(temp, File::Mode::Write) && out.Write(content) && out.Flush(true);
    ok = out.Close() && ok;
    if (!ok) {
        RemoveFile(temp);
        return temp;
    }
    if (!ReplaceFile(temp, path)) {
        RemoveFile(temp);
        return path;
    }
    return {};
}

int CConverter::AddToXMaster() {
    if (!m_xmaster.present && m_bXMaster == 0) {
        Say("PortfolioFull", {},
            std::string("This portfolio already has the\nmaximum number of symbols (255).\nChoose "
                        "a different or new portfolio.") +
                "\n\nAn XMASTER index beside MASTER holds more securities; torvan-cli convert "
                "--xmaster makes one.");
        return 1;
    }
    XMasterFile xmaster;
    const std::string before = m_xmaster.present ? m_xmaster.content : NewXMasterContent();
    if (!ParseXMaster(before, xmaster) || !xmaster.header.HasMagic()) {
        return Fail("NotAnXMaster", {m_xmaster.path},
                    "The file is not an XMASTER index, so no security can be added to it:\n" +
                        m_xmaster.path);
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
    MasterFile master;
    if (ReadMaster(DatabaseDirectory(), master)) {
        for (const MasterRecord& record : master.records) {
            used.insert(record.fileNumber);
        }
    }
    const std::string directory = DatabaseDirectory();
    int fileNumber = 0;
    for (int n = kFirstXMasterFileNumber; n <= kMaxXMasterFileNumber && fileNumber == 0; ++n) {
        if (used.count(n) == 0 && !FindMwdFile(directory, n)) {
            fileNumber = n;
        }
    }
    if (fileNumber == 0 || xmaster.CountedEntries() >= 0xFFFF) {
        return Fail("XMasterFull", {m_xmaster.path},
                    "The XMASTER index has no free file number left:\n" + m_xmaster.path);
    }
    const auto content =
        InsertXMasterEntry(before, NewXMasterRecord(fileNumber, m_szSymbol, m_szName, m_bFieldOn));
    if (!content) {
        return Fail("NotAnXMaster", {m_xmaster.path},
                    "The file is not an XMASTER index, so no security can be added to it:\n" +
                        m_xmaster.path);
    }
    const std::string failed =
        CreateSecurityFiles(directory, fileNumber, m_bFieldOn, m_nFieldCount, ".MWD");
    if (!failed.empty()) {
        return Fail("CannotCreateFile", {failed}, "Cannot create the file:\n" + failed);
    }
    const std::string notReplaced = ReplaceContent(m_xmaster.path, *content, ".~NU");
    if (!notReplaced.empty()) {
        RemoveFile(PriceFilePathOf(directory, fileNumber, ".MWD"));
        RemoveFile(PriceFilePathOf(directory, fileNumber, ".DOP"));
        return Fail("CannotReplaceIndexFile", {notReplaced},
                    "Cannot write the index file:\n" + notReplaced);
    }
    m_xmaster.content = *content;
    m_xmaster.present = true;
    m_nFileNumber = fileNumber;
    m_bInXMaster = true;
    m_bWritten = true;
    return 0;
}

int CConverter::SetSideIndexDates(float first, float last, int fileNumber) {
    SideIndex* side = m_bInXMaster ? &m_xmaster : m_bEMasterEntry ? &m_emaster : nullptr;
    if (side == nullptr || fileNumber != m_nFileNumber) {
        return 0;
    }
    auto content = ReadWholeFile(side->path);
    if (!content) {
        return Fail("CannotReadIndexFile", {side->path},
                    "Cannot read the index file:\n" + side->path);
    }
    const bool set = m_bInXMaster ? SetXMasterDates(*content, fileNumber, StoredToYyyymmdd(first),
                                                    StoredToYyyymmdd(last))
                                  : SetEMasterDates(*content, fileNumber, first, last);
    if (!set) {
        return Fail("SecurityNotInIndex", {m_szSymbol, side->path},
                    "The security " + m_szSymbol + " is not in the index file:\n" + side->path);
    }
    const std::string failed = ReplaceContent(side->path, *content, ".NEW");
    if (!failed.empty()) {
        return Fail("CannotReplaceIndexFile", {failed}, "Cannot write the index file:\n" + failed);
    }
    side->content = std::move(*content);
    return 0;
}

}  // namespace torvan
