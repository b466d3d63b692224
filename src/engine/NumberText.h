#pragma once

#include <optional>
#include <string_view>

namespace torvan {

// Reads the number at the start of text the way a "%f" conversion of the C
// library does in the "C" locale, whatever locale the process runs in:
// leading white space, an optional sign, digits with an optional decimal
// point and an optional exponent; reading stops at the first character that
// cannot continue the number. Nothing when text does not begin with one.
// Magnitudes beyond float give an infinity, tiny ones zero.
std::optional<float> ReadNumber(std::string_view text);

}  // namespace torvan
