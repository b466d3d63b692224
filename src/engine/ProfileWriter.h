// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace torvan {

// What a conversion job needs of the profile store: it records the input,
// output directory, symbol and name of a run that passed its checks.
class IProfileWriter {
  public:
    virtual ~IProfileWriter() = default;
    virtual bool WriteString(const std::string& section, const std::string& entry,
                             const std::string& value) = 0;
};

}  // namespace torvan
