// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the Windows implementation of src/platform.

#include <string>

namespace torvan::win32 {

// UTF-8 to UTF-16 and back, for the -W functions.
std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// The errno that stands for a Win32 error code (GetLastError()).
int ErrnoOf(unsigned long error);

}  // namespace torvan::win32
