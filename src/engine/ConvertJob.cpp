// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConvertJob.h"

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
