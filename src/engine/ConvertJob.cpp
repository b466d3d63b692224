// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConvertJob.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "database/Master.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// Whether MASTER's content lists symbol, ignoring case: the batch's MASTER
// holds securities its jobs added that the folder's does not show yet.
bool MasterHolds(const std::vector<std::uint8_t>& master, const std::string& symbol) {
    const std::string sought = symbol.substr(0, symbol.find('\0')).substr(0, 16);
    for (std::size_t offset = kMasterRecordSize; offset + kMasterRecordSize <= master.size();
         offset += kMasterRecordSize) {
        const MasterRecord record = MasterRecord::Unpack(master.data() + offset);
        if (EqualsNoCase(TrimRight(record.SymbolText(), " "), TrimRight(sought, " "))) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string BackupPathOf(const std::string& masterPath) {
    const std::string name = FileNameOf(masterPath);
    if (const auto found = FindFileNoCase(ParentDirectory(masterPath), name + ".BAK")) {
        return *found;
    }
    return masterPath + (name == ToLowerAscii(name) ? ".bak" : ".BAK");
}

std::vector<std::string> LikelyWorkFiles(const BatchScope& scope, std::size_t count) {
    std::vector<std::string> paths;
    const std::vector<std::uint8_t>& master = scope.indexes.master;
    if (!scope.indexes.loaded || master.size() < kMasterRecordSize) {
        return paths;
    }
    // As CConverter::FreeMasterFileNumber gives them out.
    const MasterHeader header = MasterHeader::Unpack(master.data());
    const int taken = std::max<int>(header.entryCount, header.fileCounter);
    std::size_t room =
        taken < kMaxSecurities ? static_cast<std::size_t>(kMaxSecurities - taken) : 0;
    std::array<bool, kMaxSecurities + 1> used{};
    used[0] = true;
    for (const int n : NumbersWithPriceFiles(scope.directory)) {
        if (n >= 0 && n <= kMaxSecurities) {
            used[static_cast<std::size_t>(n)] = true;
        }
    }
    for (std::size_t offset = kMasterRecordSize; offset < master.size();
         offset += kMasterRecordSize) {
        used[master[offset]] = true;
    }
    for (int n = 1; n <= kMaxSecurities && count > 0 && room > 0; ++n) {
        if (used[static_cast<std::size_t>(n)]) {
            continue;
        }
        --count;
        --room;
        const auto [data, description] = SecurityFileTargets(scope.directory, n, false);
        for (const std::string& target : {data, description}) {
            if (!FileExists(target + ".~NU")) {
                paths.push_back(target + ".~NU");
            }
        }
    }
    return paths;
}

void CConverter::KeepIndexes(FolderIndexes& indexes) const {
    indexes.loaded = true;
    indexes.master = m_masterContent;
    // The work files are written again at the batch's commit from what the
    // last job left, whatever a job that failed after it wrote.
    if (!m_bInXMaster) {
        indexes.workFiles[m_szMasterPath + ".~NU"].assign(m_masterContent.begin(),
                                                          m_masterContent.end());
        if (m_bExistingMaster == 1) {
            indexes.workFiles[BackupPathOf(m_szMasterPath) + ".~NU"].assign(m_masterAdded.begin(),
                                                                            m_masterAdded.end());
        }
    }
    for (auto [mine, kept] :
         {std::pair{&m_emaster, &indexes.emaster}, std::pair{&m_xmaster, &indexes.xmaster}}) {
        *kept = *mine;
        if (mine->changed) {
            kept->content = *mine->changed;
            kept->present = true;
            indexes.workFiles[mine->path + ".~NU"] = *mine->changed;
        }
        kept->changed.reset();
    }
}

int CConvertJob::Plan(BatchScope& scope) {
    // An earlier job of the batch made the MASTER (see Alone).
    if (job.m_bExistingMaster == 0 && scope.indexes.loaded) {
        job.m_bExistingMaster = 1;
    }
    if (scope.indexes.loaded && MasterHolds(scope.indexes.master, job.m_szSymbol)) {
        m_result = JobResult{};
        m_result.messages.push_back(MakeMessage(MessageId::kDuplicateSymbol, {}));
        if (job.m_pSink != nullptr) {
            job.m_pSink->Show(m_result.messages.back());
        }
        return 1;
    }
    job.m_pBatch = &scope;
    const int status = job.Run();
    job.m_pBatch = nullptr;
    m_result = job.Result();
    if (status == 0) {
        job.KeepIndexes(scope.indexes);
    }
    return status;
}

void CConvertJob::Stopped(Message message, Outcome outcome) {
    m_result.outcome = outcome;
    m_result.fileNumber = 0;
    m_result.messages.push_back(std::move(message));
}

}  // namespace torvan
