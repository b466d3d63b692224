// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace torvan {

// The longest folder path (UTF-8 bytes) whose names this system lists
// reliably. On Windows a longer one is listed as some other folder (the
// working folder, with MinGW), so a database there could find files that
// are not in it: such folders are refused rather than listed.
std::size_t LongestListableDirectory();

}  // namespace torvan
