// SPDX-License-Identifier: GPL-3.0-or-later
// Line reading (TextReader with large and small blocks) and ReadNumber on the comma-separated
// fields of each line, with strtof in the "C" locale as the reference.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "engine/NumberText.h"
#include "engine/TextReader.h"
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
    // Text without a byte-order mark comes back as stored: each line ends
    // at its one line feed or at a carriage return that no line feed
    // follows, only the last line may lack an end, and the same lines
    // whatever the block size.
    const bool marked = content.starts_with("\xEF\xBB\xBF") || content.starts_with("\xFF\xFE") ||
                        content.starts_with("\xFE\xFF");
    std::string joined;
    bool first = true;
    for (const std::size_t block : {torvan::TextReader::kBlockSize, 4 + size % 13}) {
        torvan::TextReader reader(block);
        FUZZ_CHECK(reader.Open(path));
        std::string lines;
        std::string_view line;
        while (reader.Next(line)) {
            FUZZ_CHECK(!line.empty());
            FUZZ_CHECK(line.find('\n') == line.size() - 1 || line.find('\n') == std::string::npos);
            FUZZ_CHECK(lines.empty() || lines.back() == '\n' ||
                       (lines.back() == '\r' && line.front() != '\n'));
            lines += line;
            if (first) {
                for (std::size_t start = 0; start <= line.size();) {
                    const std::size_t comma = std::min(line.find(',', start), line.size());
                    CheckNumber(std::string(line.substr(start, comma - start)));
                    start = comma + 1;
                }
            }
        }
        FUZZ_CHECK(!reader.Failed());
        FUZZ_CHECK(marked || lines == content);
        FUZZ_CHECK(first || lines == joined);
        joined = lines;
        first = false;
    }
    return 0;
}
