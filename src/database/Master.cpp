// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Master.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "database/IndexFields.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace torvan {
namespace {

std::string FieldText(const std::uint8_t* field, std::size_t size) {
    std::size_t len = 0;
    while (len < size && field[len] != 0) {
        ++len;
    }
    return std::string(reinterpret_cast<const char*>(field), len);
}

void TrimTrailingBlanks(std::string& text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
}

// The entry's symbol as compared with a sought text holding k blanks: up to
// (not including) the symbol field's (k+1)-th blank, or the whole field.
std::string SymbolCompareText(const MasterRecord& record, std::size_t blanks) {
    std::string field = FieldText(record.symbol.data(), record.symbol.size());
    std::size_t seen = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == ' ') {
            if (seen == blanks) {
                return field.substr(0, i);
            }
            ++seen;
        }
    }
    return field;
}

// A subdirectory name that stays inside the directory it is listed in.
bool IsSafeSubdirectoryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::optional<std::string> FindSubdirectory(const std::string& parent, const std::string& name) {
    const std::string exact = JoinPath(parent, name);
    if (IsDirectory(exact)) {
        return exact;
    }
    // Names ignore case in the format's home world; look for another spelling.
    std::optional<std::string> match;
    for (const std::string& candidate : ListDirectory(parent)) {
        if (EqualsNoCase(candidate, name) && IsDirectory(JoinPath(parent, candidate))) {
            if (!match || candidate < *match) {
                match = candidate;
            }
        }
    }
    if (!match) {
        return std::nullopt;
    }
    return JoinPath(parent, *match);
}

struct Level {
    std::string directory;
    std::vector<MasterRecord> entries;
    std::size_t next = 0;  // next entry to look at for subdirectories
};

// Loads a level's MASTER and compares its ordinary entries with text. False
// when the file is missing or its header or an entry cannot be read.
bool LoadLevel(const std::string& directory, const std::string& text, Level& level,
               MasterRecord& found, bool& matched, std::string& unreadable) {
    matched = false;
    level.directory = directory;
    level.entries.clear();
    level.next = 0;
    auto path = FindFileNoCase(directory, "MASTER");
    if (!path) {
        return false;
    }
    auto noteError = [&] {
        if (unreadable.empty()) {
            unreadable = *path;
        }
    };
    File file;
    if (!file.Open(*path, File::Mode::Read)) {
        noteError();
        return false;
    }
    std::uint8_t bytes[kMasterRecordSize];
    if (!file.ReadExact(bytes, sizeof bytes)) {
        if (file.Failed()) {
            noteError();
        }
        return false;
    }
    const MasterHeader header = MasterHeader::Unpack(bytes);
    const std::size_t blanks = static_cast<std::size_t>(std::count(text.begin(), text.end(), ' '));
    for (std::size_t i = 0; i < header.entryCount; ++i) {
        if (!file.ReadExact(bytes, sizeof bytes)) {
            // A damaged level is given up: none of its subdirectories is walked.
            if (file.Failed()) {
                noteError();
            }
            level.entries.clear();
            return false;
        }
        MasterRecord record = MasterRecord::Unpack(bytes);
        if (!record.IsSubdirectory()) {
            const std::string name = record.NameText();
            if (EqualsNoCase(text, name) || EqualsNoCase(text, SymbolCompareText(record, blanks))) {
                found = record;
                matched = true;
                return true;
            }
        }
        level.entries.push_back(record);
    }
    return true;
}

}  // namespace

MasterHeader MasterHeader::Unpack(const std::uint8_t* bytes) {
    MasterHeader h;
    h.entryCount = GetU16(bytes);
    h.fileCounter = GetU16(bytes + 2);
    TakeBytes(h.filler, bytes, 4);
    return h;
}

MasterBytes MasterHeader::Pack() const {
    MasterBytes b{};
    PutU16(b.data(), entryCount);
    PutU16(b.data() + 2, fileCounter);
    PutBytes(b.data(), 4, filler);
    return b;
}

MasterRecord MasterRecord::Unpack(const std::uint8_t* bytes) {
    MasterRecord r;
    r.fileNumber = bytes[0];
    TakeBytes(r.fileType, bytes, 1);
    r.recordLength = bytes[3];
    r.fieldCount = bytes[4];
    TakeBytes(r.reserved1, bytes, 5);
    TakeBytes(r.name, bytes, 7);
    TakeBytes(r.reserved2, bytes, 23);
    TakeBytes(r.firstDate, bytes, 25);
    TakeBytes(r.lastDate, bytes, 29);
    r.period = bytes[33];
    TakeBytes(r.reserved3, bytes, 34);
    TakeBytes(r.symbol, bytes, 36);
    r.reserved4 = bytes[52];
    return r;
}

MasterBytes MasterRecord::Pack() const {
    MasterBytes b{};
    b[0] = fileNumber;
    PutBytes(b.data(), 1, fileType);
    b[3] = recordLength;
    b[4] = fieldCount;
    PutBytes(b.data(), 5, reserved1);
    PutBytes(b.data(), 7, name);
    PutBytes(b.data(), 23, reserved2);
    PutBytes(b.data(), 25, firstDate);
    PutBytes(b.data(), 29, lastDate);
    b[33] = period;
    PutBytes(b.data(), 34, reserved3);
    PutBytes(b.data(), 36, symbol);
    b[52] = reserved4;
    return b;
}

bool MasterRecord::IsSubdirectory() const {
    return name[0] != ' ' && std::memcmp(name.data() + 11, "<DIR>", 5) == 0;
}

std::string MasterRecord::SubdirectoryName() const {
    std::string text = FieldText(name.data(), 8);
    TrimTrailingBlanks(text);
    return text;
}

std::string MasterRecord::NameText() const {
    return CFieldText(name);
}

std::string MasterRecord::SymbolText() const {
    return CFieldText(symbol);
}

std::array<std::uint8_t, 16> PadField(const std::string& text) {
    std::array<std::uint8_t, 16> field;
    field.fill(' ');
    std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
    return field;
}

std::int16_t FindSecurity(const std::string& directory, const std::string& text,
                          MasterRecord& found, SecurityLocation* where) {
    SecurityLocation ignored;
    SecurityLocation& location = where != nullptr ? *where : ignored;
    location = SecurityLocation{};
    std::string& error = location.unreadableMaster;
    std::string sought = text.substr(0, text.find('\0'));
    std::size_t keep = directory.size();
    while (keep > 1 && directory[keep - 1] == '/') {
        --keep;
    }
    const std::string top = keep == 0 ? std::string(1, '.') : directory.substr(0, keep);

    // Each real directory once, so that links and odd names that lead to a
    // directory already searched are not followed again.
    std::set<FileIdentity> visited;
    if (auto id = IdentityOf(top)) {
        visited.insert(*id);
    }
    std::vector<Level> stack(1);
    bool matched = false;
    if (!LoadLevel(top, sought, stack.back(), found, matched, error)) {
        return kNotFound;
    }
    if (matched) {
        location.directory = top;
        return kFound;
    }
    while (!stack.empty()) {
        Level& level = stack.back();
        bool descended = false;
        while (level.next < level.entries.size()) {
            const MasterRecord& entry = level.entries[level.next++];
            if (!entry.IsSubdirectory()) {
                continue;
            }
            const std::string name = entry.SubdirectoryName();
            if (!IsSafeSubdirectoryName(name)) {
                continue;
            }
            auto sub = FindSubdirectory(level.directory, name);
            if (!sub || sub->size() + 1 > kMaxDirectoryPath) {
                continue;
            }
            auto id = IdentityOf(*sub);
            if (!id || !visited.insert(*id).second) {
                continue;
            }
            Level child;
            if (!LoadLevel(*sub, sought, child, found, matched, error)) {
                continue;  // no readable MASTER there: skipped
            }
            if (matched) {
                location.directory = *sub;
                return kFound;
            }
            stack.push_back(std::move(child));
            descended = true;
            break;
        }
        if (!descended) {
            stack.pop_back();
        }
    }
    return kNotFound;
}

bool MasterCountAgrees(const std::vector<std::uint8_t>& content) {
    if (content.size() < kMasterRecordSize) {
        return false;
    }
    const std::size_t counted = MasterHeader::Unpack(content.data()).entryCount;
    const std::size_t whole = content.size() / kMasterRecordSize - 1;
    if (whole < counted) {
        return false;
    }
    const auto padding =
        content.begin() + static_cast<std::ptrdiff_t>(kMasterRecordSize * (counted + 1));
    const auto end = content.begin() + static_cast<std::ptrdiff_t>(kMasterRecordSize * (whole + 1));
    return std::all_of(padding, end, [](std::uint8_t byte) { return byte == 0; });
}

bool ReadMaster(const std::string& directory, MasterFile& master) {
    master = MasterFile{};
    auto path = FindFileNoCase(directory, "MASTER");
    if (!path) {
        return false;
    }
    File file;
    if (!file.Open(*path, File::Mode::Read)) {
        return false;
    }
    std::uint8_t bytes[kMasterRecordSize];
    if (!file.ReadExact(bytes, sizeof bytes)) {
        return false;
    }
    master.header = MasterHeader::Unpack(bytes);
    for (std::size_t i = 0; i < master.header.entryCount && file.ReadExact(bytes, sizeof bytes);
         ++i) {
        master.records.push_back(MasterRecord::Unpack(bytes));
    }
    return true;
}

}  // namespace torvan
