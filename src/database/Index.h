// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The securities of one database directory as readers see them: MASTER's
// entries (with EMASTER's long names and field bitsets when EMASTER is in
// step with MASTER) followed by XMASTER's.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/EMaster.h"
#include "database/Master.h"
#include "database/XMaster.h"

namespace torvan {

enum class IndexSource { kMaster, kXMaster };

struct IndexEntry {
    IndexSource source = IndexSource::kMaster;
    std::size_t position = 0;  // entry number in its index file, from 1
    int fileNumber = 0;
    std::string symbol;
    std::string name;
    int fieldCount = 0;
    std::uint8_t fieldBits = 0;  // 0 when only MASTER describes the fields
    char period = 'D';
    std::uint16_t minutes = 0;  // bar interval of intraday data
    float firstDate = 0.0F;     // stored dates
    float lastDate = 0.0F;
    bool subdirectory = false;
    MasterRecord master;  // the MASTER entry (kMaster only)

    // "F<n>.DAT" or "F<n>.MWD".
    std::string PriceFileName() const;
};

// An index file that is there but whose entries could not be taken, so that
// what it lists is missing: the securities of an XMASTER or of a MASTER in a
// subdirectory, the long names and field layouts of an EMASTER.
struct UnreadIndexFile {
    enum class Kind { kMaster, kEMaster, kXMaster };
    enum class Why {
        kCannotRead,  // opening or reading it failed
        kNoMark,      // an XMASTER that does not begin with its mark
    };
    Kind kind = Kind::kMaster;
    std::string path;
    Why why = Why::kCannotRead;

    // "Cannot read the XMASTER file <path>", or what else kept it out.
    std::string Text() const;
};

struct DatabaseIndex {
    std::string directory;
    std::string masterPath;
    MasterFile master;
    std::optional<std::string> emasterPath;
    std::optional<EMasterFile> emaster;  // when present and readable
    bool emasterInStep = false;
    std::optional<std::string> xmasterPath;
    std::optional<XMasterFile> xmaster;  // when present, readable and with its magic
    std::vector<IndexEntry> entries;
    // EMASTER or XMASTER when it is there but left out. One too short to hold
    // a header lists nothing and is not named here.
    std::vector<UnreadIndexFile> unread;
};

// EMASTER agrees with MASTER as readers require before they take its long
// names: the same count, and the same file numbers in the same order.
bool EMasterInStep(const MasterFile& master, const EMasterFile& emaster);

// Reads MASTER (required), EMASTER and XMASTER of directory, each found in
// any letter case. False when there is no readable MASTER; an EMASTER or
// XMASTER that cannot be read is named in index.unread.
bool ReadDatabaseIndex(const std::string& directory, DatabaseIndex& index);

}  // namespace torvan
