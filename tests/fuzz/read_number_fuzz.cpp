// Line reading (File::ReadLine, and LineReader with small blocks against it)
// and ReadNumber on the comma-separated fields of each line, with strtof in
// the "C" locale as the reference.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "engine/InputText.h"
#include "engine/NumberText.h"
#include "platform/FileSystem.h"

namespace {

void CheckNumber(std::string field) {
    // strtof also reads "inf", "nan" and hexadecimal; without x, i and n
    // only the decimal form is left for both readers.
    std::replace_if(
        field.begin(), field.end(),
        [](char c) { return c != '\0' && std::strchr("xXiInN", c) != nullptr; }, '_');
    const auto value = torvan::ReadNumber(field);
    const std::string terminated = field.substr(0, field.find('\0'));
    char* end = nullptr;
    const float expected = std::strtof(terminated.c_str(), &end);
    FUZZ_CHECK(value.has_value() == (end != terminated.c_str()));
    if (value) {
        FUZZ_CHECK(*value == expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = torvan::JoinPath(torvan::fuzz::ScratchDir(), "lines.txt");
    const std::string content(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(torvan::WriteFileAtomically(path, content));
    torvan::File file;
    FUZZ_CHECK(file.Open(path, torvan::File::Mode::Read));
    std::string joined;
    std::string line;
    while (file.ReadLine(line)) {
        // Lines come back as stored: one line feed, at the end, and only the
        // last line may lack it.
        FUZZ_CHECK(!line.empty());
        FUZZ_CHECK(line.find('\n') == line.size() - 1 || line.find('\n') == std::string::npos);
        FUZZ_CHECK(joined.empty() || joined.back() == '\n');
        joined += line;
        for (std::size_t start = 0; start <= line.size();) {
            const std::size_t comma = std::min(line.find(',', start), line.size());
            CheckNumber(line.substr(start, comma - start));
            start = comma + 1;
        }
    }
    FUZZ_CHECK(!file.Failed());
    FUZZ_CHECK(joined == content);

    // The block reader hands out the same lines whatever its block size.
    torvan::File again;
    FUZZ_CHECK(again.Open(path, torvan::File::Mode::Read));
    torvan::LineReader reader(again, 1 + size % 13);
    std::string rejoined;
    std::string_view view;
    while (reader.Next(view)) {
        FUZZ_CHECK(!view.empty());
        FUZZ_CHECK(view.find('\n') == view.size() - 1 || view.find('\n') == std::string::npos);
        rejoined += view;
    }
    FUZZ_CHECK(!again.Failed());
    FUZZ_CHECK(rejoined == content);
    return 0;
}
