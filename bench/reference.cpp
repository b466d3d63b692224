// SPDX-License-Identifier: GPL-3.0-or-later
// The least a conversion of the benchmark's input has to do, to measure
// torvan-cli against: read the lines "MMDDYY,open,high,low,close,volume,
// open interest", pack each as seven MBF numbers behind the data file's
// header record, and write F1.DAT into DBDIR. With --reverse the input is
// newest first: the records go oldest first, and the input is rewritten
// oldest first with the original kept as INPUT.BAK. No journal, no fsync, no
// lock, no checks beyond what the generated input needs, one thread. It
// reads through a buffer of fixed size (or, to reverse, the mapped file):
// page faults on a file-sized buffer cost as much as the parsing.
//
//   torvan-reference [--reverse] INPUT DBDIR
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include <sys/mman.h>

#include "database/Mbf.h"

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 18;

// Output gathered a block at a time.
struct Out {
    std::FILE* file;
    std::unique_ptr<char[]> bytes{new char[kBlock]};
    std::size_t used = 0;
    void Put(const void* data, std::size_t size) {
        if (used + size > kBlock) {
            std::fwrite(bytes.get(), 1, used, file);
            used = 0;
        }
        std::memcpy(bytes.get() + used, data, size);
        used += size;
    }
    void PutMbf(float value) {
        char mbf[4];
        torvan::PutU32(mbf, torvan::FloatToMbfBits(value));
        Put(mbf, 4);
    }
    bool Close() {
        const bool ok = std::fwrite(bytes.get(), 1, used, file) == used;
        return std::fclose(file) == 0 && ok;
    }
};

// The record of one line (without its line end).
void PutRecord(std::string_view line, Out& out) {
    auto two = [&](std::size_t at) { return (line[at] - '0') * 10 + (line[at + 1] - '0'); };
    const int year = two(4) < 61 ? two(4) + 100 : two(4);
    out.PutMbf(static_cast<float>(year * 10000 + two(0) * 100 + two(2)));
    const char* p = line.data() + 7;
    for (int field = 0; field < 6; ++field) {
        float value = 0;
        p = std::from_chars(p, line.data() + line.size(), value).ptr + 1;
        out.PutMbf(value);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool reverse = argc == 4 && std::string_view(argv[1]) == "--reverse";
    if (argc != (reverse ? 4 : 3)) {
        std::fprintf(stderr, "usage: torvan-reference [--reverse] INPUT DBDIR\n");
        return 2;
    }
    const std::string input = argv[reverse ? 2 : 1];
    std::FILE* in = std::fopen(input.c_str(), "rb");
    Out data{std::fopen((std::string(argv[argc - 1]) + "/F1.DAT").c_str(), "wb")};
    if (in == nullptr || data.file == nullptr) {
        return 1;
    }
    // The header record; its count is set at the end.
    const char header[28] = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                             1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0};
    data.Put(header, sizeof header);
    unsigned count = 1;
    if (!reverse) {
        std::unique_ptr<char[]> block(new char[kBlock]);
        std::size_t held = 0;
        for (std::size_t got; (got = std::fread(block.get() + held, 1, kBlock - held, in)) > 0;) {
            std::string_view text(block.get(), held + got);
            for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; ++count) {
                PutRecord(text.substr(0, end), data);
                text.remove_prefix(end + 1);
            }
            held = text.size();
            std::memmove(block.get(), text.data(), held);
        }
    } else {
        // The whole file mapped, its lines taken from the last one back.
        std::fseek(in, 0, SEEK_END);
        const auto size = static_cast<std::size_t>(std::ftell(in));
        void* map = size > 0 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fileno(in), 0) : nullptr;
        if (map == MAP_FAILED) {
            return 1;
        }
        const std::string_view text(static_cast<const char*>(map), size);
        if (std::rename(input.c_str(), (input + ".BAK").c_str()) != 0) {
            return 1;
        }
        Out reversed{std::fopen(input.c_str(), "wb")};
        std::size_t end = size - (size == 0 || text.back() != '\n' ? 0 : 1);
        while (end > 0) {
            const void* feed = memrchr(text.data(), '\n', end);
            const std::size_t start = feed ? static_cast<const char*>(feed) - text.data() + 1 : 0;
            const std::string_view line(text.data() + start, end - start);
            reversed.Put(line.data(), line.size());
            reversed.Put("\n", 1);
            PutRecord(line, data);
            ++count;
            end = start > 0 ? start - 1 : 0;
        }
        if (reversed.file == nullptr || !reversed.Close()) {
            return 1;
        }
    }
    std::fclose(in);
    // The count of records, the header's included, as its first number.
    const unsigned char bytes[2] = {static_cast<unsigned char>(count & 0xFF),
                                    static_cast<unsigned char>(count >> 8)};
    const bool ok = std::fwrite(data.bytes.get(), 1, data.used, data.file) == data.used &&
                    std::fseek(data.file, 2, SEEK_SET) == 0 &&
                    std::fwrite(bytes, 1, 2, data.file) == 2;
    return std::fclose(data.file) == 0 && ok ? 0 : 1;
}
