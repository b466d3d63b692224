// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace torvan {

// One named text entry of a section of the profile.
struct ProfileEntry {
    std::string section;
    std::string entry;
    std::string value;
};

// What a conversion job needs of the profile store: it records the input,
// output directory, symbol and name of a run that passed its checks.
class IProfileWriter {
  public:
    virtual ~IProfileWriter() = default;
    virtual bool WriteString(const std::string& section, const std::string& entry,
                             const std::string& value) = 0;
    // Writes the entries in order; a store that can writes them together.
    virtual bool WriteEntries(const std::vector<ProfileEntry>& entries) {
        bool ok = true;
        for (const ProfileEntry& item : entries) {
            ok = WriteString(item.section, item.entry, item.value) && ok;
        }
        return ok;
    }
};

}  // namespace torvan
