#include "engine/InputText.h"

namespace torvan {

std::string Utf16Message(const std::string& path) {
    return "The input file is UTF-16 text, which cannot be converted.\nSave it as plain text "
           "(ANSI or UTF-8) and try again:\n" +
           path;
}

}  // namespace torvan
