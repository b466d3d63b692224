#include "engine/InputText.h"

#include <cstdint>

#include "platform/FileSystem.h"

namespace torvan {

bool IsUtf16File(const std::string& path) {
    File file;
    std::uint8_t mark[2] = {0, 0};
    if (!file.Open(path, File::Mode::Read) || !file.ReadExact(mark, 2)) {
        return false;
    }
    return (mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF);
}

std::string Utf16Message(const std::string& path) {
    return "The input file is UTF-16 text, which cannot be converted.\nSave it as plain text "
           "(ANSI or UTF-8) and try again:\n" +
           path;
}

}  // namespace torvan
