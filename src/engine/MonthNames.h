// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace torvan {

// Rewrites date in place, replacing its first three-letter English month
// name by the two-digit month. 1 if date holds a character that starts a
// month-name search (a letter or one of [\]^_`{|}~ DEL), else 0.
int TranslateMonthName(std::string& date);

}  // namespace torvan
