// SPDX-License-Identifier: GPL-3.0-or-later
// The profile store's file parser. The input is "section\0entry\0value\0"
// followed by the .ini file's content.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "platform/FileSystem.h"
#include "settings/ProfileStore.h"

namespace {

// The next NUL-terminated piece of text, or the rest.
std::string Take(std::string& input) {
    const std::size_t nul = input.find('\0');
    std::string piece = input.substr(0, nul);
    input.erase(0, nul == std::string::npos ? input.size() : nul + 1);
    return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvan;
    std::string input(reinterpret_cast<const char*>(data), size);
    const std::string section = Take(input);
    const std::string entry = Take(input);
    const std::string value = Take(input).substr(0, CProfileStore::kMaxValueBytes - 1);
    const std::string root = fuzz::EmptyDir("profile");
    const std::string folder = JoinPath(root, "Quennel");
    std::filesystem::create_directory(folder);
    // A store file: without its first line it would be imported as a legacy
    // file.
    const std::string content = std::string(CProfileStore::kFirstLine) + "\n" + input;
    FUZZ_CHECK(WriteFileAtomically(JoinPath(folder, "Torvan.ini"), content));

    CProfileStore store;
    bool created = true;
    FUZZ_CHECK(store.Open(root, "Software\\Quennel\\Torvan", created) && !created);
    // Two different defaults tell a stored value from a missing one.
    const std::string stored = store.GetString(section, entry, "\x01");
    const bool present = stored == store.GetString(section, entry, "\x02");
    FUZZ_CHECK(!present || stored.size() < CProfileStore::kMaxValueBytes);
    // GetInt reads like strtol, saturating at the limits of int.
    const int number = store.GetInt(section, entry, -7);
    char* end = nullptr;
    const long long parsed = present ? std::strtoll(stored.c_str(), &end, 10) : 0;
    if (!present || end == stored.c_str()) {
        FUZZ_CHECK(number == -7);
    } else {
        FUZZ_CHECK(number == (parsed < INT_MIN ? INT_MIN : parsed > INT_MAX ? INT_MAX : parsed));
    }

    FUZZ_CHECK(store.WriteString(section, entry, value));
    FUZZ_CHECK(store.GetString(section, entry, value + "x") == value);
    return 0;
}
