// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace torvan::test {

std::filesystem::path U8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string FromU8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TempDir::TempDir() {
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 random(seed());
    // A name nobody else has: created, not just looked for.
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "torvan-test-%012llx",
                      static_cast<unsigned long long>(random() & 0xffffffffffffULL));
        std::error_code ec;
        if (std::filesystem::create_directory(temp / name, ec) && !ec) {
            // Closed to others, as mkdtemp makes it.
            std::filesystem::permissions(temp / name, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, ec);
            m_path = FromU8Path(temp / name);
        }
    }
    if (m_path.empty()) {
        throw std::runtime_error("cannot create a temporary directory");
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; give write access back first.
    for (auto it = std::filesystem::recursive_directory_iterator(U8Path(m_path), ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) {
            break;
        }
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(U8Path(m_path), ec);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(U8Path(path), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string& path) {
    std::ifstream in(U8Path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(U8Path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(U8Path(path), std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string RealData(const std::string& name) {
    return std::string(TORVAN_REAL_DATA_DIR) + "/" + name;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        if (i > 0) {
            out += ' ';
        }
        out += buf;
    }
    return out;
}

Snapshot TakeSnapshot(const std::string& dir) {
    Snapshot files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        files[e.path().filename().string()] = ReadText(e.path().string());
    }
    return files;
}

}  // namespace torvan::test
