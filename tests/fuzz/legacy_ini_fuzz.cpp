// SPDX-License-Identifier: GPL-3.0-or-later
// The import of a legacy settings file into a new profile store. The input
// is the file's content. Checks every entry against a plain model of the
// file's rules (lines cut at 519 characters and at NUL, white space trimmed,
// "[section]" headers, "name=value" entries below one, the last value of a
// name winning, names compared without regard to ASCII case), and that a
// second import changes nothing.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "FuzzSupport.h"
#include "platform/FileSystem.h"
#include "settings/ProfileStore.h"

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string Trim(const std::string& text) {
    const char* white = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(white);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(white) - first + 1);
}

struct Expected {
    std::string section;
    std::string name;
    std::string value;
};

std::map<std::pair<std::string, std::string>, Expected> Model(const std::string& content) {
    std::string text;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (!(content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')) {
            text += content[i];
        }
    }
    std::map<std::pair<std::string, std::string>, Expected> entries;
    bool inSection = false;
    std::string section;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(pos, std::min<std::size_t>(519, end - pos));
        pos += line.size();
        line = Trim(line.substr(0, line.find('\0')));
        if (!line.empty() && line[0] == '[' && line.find(']') == line.size() - 1) {
            inSection = true;
            section = Trim(line.substr(1, line.size() - 2));
        } else if (inSection && line.find('=') != std::string::npos) {
            const std::size_t eq = line.find('=');
            Expected entry{section, line.substr(0, eq), line.substr(eq + 1)};
            auto key = std::make_pair(LowerAscii(section), LowerAscii(entry.name));
            auto found = entries.find(key);
            if (found == entries.end()) {
                entries.emplace(std::move(key), std::move(entry));
            } else {
                found->second.value = entry.value;  // the name keeps its first spelling
            }
        }
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvan;
    const std::string content(reinterpret_cast<const char*>(data), size);
    const std::string root = fuzz::EmptyDir("legacy");
    CProfileStore store;
    bool created = false;
    FUZZ_CHECK(store.Open(root, "Software\\Quennel\\Torvan", created) && created);
    FUZZ_CHECK(WriteFileAtomically(store.LegacyIniPath(), content));
    store.ImportIniFile();
    // A file that starts as the store's own does is never imported.
    const std::string first = content.substr(0, content.find('\n'));
    if (first == CProfileStore::kFirstLine ||
        first == CProfileStore::kFirstLine + std::string("\r")) {
        return 0;
    }

    for (const auto& [key, entry] : Model(content)) {
        const std::string stored = store.GetString(entry.section, entry.name, "\x01missing");
        if (entry.value.size() < CProfileStore::kMaxValueBytes) {
            FUZZ_CHECK(stored == entry.value);
        } else {
            FUZZ_CHECK(stored == "\x01missing");
        }
    }

    const auto once = ReadWholeFile(store.FilePath());
    FUZZ_CHECK(once.has_value());
    store.ImportIniFile();
    FUZZ_CHECK(ReadWholeFile(store.FilePath()) == once);
    return 0;
}
