// SPDX-License-Identifier: GPL-3.0-or-later
// TranslateMonthName on arbitrary date texts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/MonthNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string before(reinterpret_cast<const char*>(data), size);
    std::string date = before;
    const int found = torvan::TranslateMonthName(date);

    // The text counts up to its first NUL; 1 exactly when that part holds a
    // character that starts a month-name search.
    const std::string text = before.substr(0, before.find('\0'));
    const bool searchable = std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 65 && static_cast<unsigned char>(c) <= 127;
    });
    FUZZ_CHECK(found == (searchable ? 1 : 0));
    // A replacement drops the name's three letters for two digits (and the
    // blanks around them): never longer, and never anything without a find.
    FUZZ_CHECK(date == before || (found == 1 && date.size() < text.size()));
    return 0;
}
