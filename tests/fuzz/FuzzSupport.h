// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

// A broken invariant aborts, so that libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace torvan::fuzz {

// A directory of this process below the temporary folder (tools/fuzz.sh
// points TMPDIR at a memory file system: the targets sync what they write).
inline const std::string& ScratchDir() {
    // Never destroyed, so that the exit handler can still use it.
    static const std::string* dir = [] {
        // Made, not just looked for: a name no other process has.
        std::string pattern;
        for (unsigned tries = 0; pattern.empty(); ++tries) {
            const auto dir = std::filesystem::temp_directory_path() /
                             ("torvan-fuzz-" + std::to_string(std::random_device()()));
            std::error_code ec;
            if (std::filesystem::create_directory(dir, ec) && !ec) {
                pattern = dir.string();
            } else if (tries == 100) {
                std::abort();
            }
        }
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchDir(), ec);
        });
        return new std::string(pattern);
    }();
    return *dir;
}

// An empty directory below ScratchDir(), emptied again on every call.
inline std::string EmptyDir(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(ScratchDir()) / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.string();
}

}  // namespace torvan::fuzz
