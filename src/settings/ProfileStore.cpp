// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileStore.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/LockFile.h"
#include "platform/Text.h"

namespace torvan {
namespace {

// The file format
// ---------------
// "[Section]" header lines and "name=value" lines. Anything the line
// structure cannot hold is written as a backslash escape: \\ \n \r \t and
// \xHH. Names additionally escape '=', '[' and ']', a leading ';' or '#' and
// blanks at either end, so that a name never reads as a comment, a header or
// a differently trimmed name. Values are stored untrimmed. On reading, a
// backslash before anything else stays a backslash, which keeps hand-typed
// Windows paths intact.

// Names around "=" may be set off by blanks and tabs.
std::string_view TrimBlanks(std::string_view text) {
    return Trim(text, " \t");
}

// Names and values are stored as NUL-terminated text in the registry, so a
// text ends at its first NUL on every platform alike.
std::string_view UpToNul(const std::string& text) {
    return std::string_view(text).substr(0, text.find('\0'));
}

void AppendHex(std::string& out, unsigned char c) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
}

std::string Escape(std::string_view text, bool isName) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto uc = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (uc < 0x20 || uc == 0x7F) {
            AppendHex(out, uc);
        } else if (isName && (c == '=' || c == '[' || c == ']' ||
                              (i == 0 && (c == ';' || c == '#' || c == ' ')) ||
                              (i + 1 == text.size() && c == ' '))) {
            AppendHex(out, uc);
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = ToLowerAscii(c);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0') {
            break;
        }
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\' || next == 'n' || next == 'r' || next == 't') {
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
                   HexDigit(text[i + 3]) >= 0) {
            const char byte = static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            if (byte == '\0') {
                break;  // a hand-written \x00 ends the text like a C string
            }
            out += byte;
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}

struct Line {
    enum class Kind { Other, Header, Entry };
    std::string text;  // as stored, without its line end
    Kind kind = Kind::Other;
    bool named = false;  // a header whose name could be read
    std::string name;
    std::size_t valueAt = 0;  // entries: where the value starts in text
};

Line Classify(std::string text, bool first) {
    Line line;
    line.text = std::move(text);
    std::string_view body = line.text;
    if (first && body.substr(0, 3) == "\xEF\xBB\xBF") {
        body.remove_prefix(3);  // byte order mark left by some editors
    }
    const std::size_t offset = line.text.size() - body.size();
    body = TrimBlanks(body);
    if (body.empty() || body.front() == ';' || body.front() == '#') {
        return line;
    }
    if (body.front() == '[') {
        // A header that is not closed still starts a new section, so that
        // the entries below it are not taken for the previous one's.
        line.kind = Line::Kind::Header;
        const std::size_t close = body.find(']');
        if (close != std::string_view::npos) {
            line.named = true;
            line.name = Unescape(TrimBlanks(body.substr(1, close - 1)));
        }
        return line;
    }
    const std::size_t eq = line.text.find('=', offset);
    if (eq != std::string::npos) {
        line.kind = Line::Kind::Entry;
        line.name = Unescape(TrimBlanks(std::string_view(line.text).substr(offset, eq - offset)));
        line.valueAt = eq + 1;
    }
    return line;
}

// A settings file without the store's first line was not written by the
// store (a legacy file copied under the store's own name) and is imported as
// one rather than read with the store's escapes, which would turn "C:\new"
// into "C:" and a line break.
constexpr std::string_view kStoreMarker = CProfileStore::kFirstLine;

bool HasStoreMarker(std::string_view content) {
    std::string_view first = content.substr(0, content.find('\n'));
    if (!first.empty() && first.back() == '\r') {
        first.remove_suffix(1);  // saved by a Windows editor
    }
    return first == kStoreMarker;
}

// The lines of a store file; its first line, the store's mark, is no line of
// its content.
std::vector<Line> Parse(const std::string& content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    if (HasStoreMarker(content)) {
        start = std::min(content.size(), content.find('\n'));
        start += start < content.size() ? 1 : 0;
    }
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        const std::size_t next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos) {
            end = content.size();
        }
        if (end > start && content[end - 1] == '\r') {
            --end;
        }
        lines.push_back(Classify(content.substr(start, end - start), lines.empty()));
        start = next;
    }
    return lines;
}

std::string Serialize(const std::vector<Line>& lines) {
    std::string out(kStoreMarker);
    out += '\n';
    for (const Line& line : lines) {
        out += line.text;
        out += '\n';
    }
    return out;
}

// Where an entry is, or where it would go.
struct Location {
    std::optional<std::size_t> entry;     // the first matching entry line
    std::optional<std::size_t> insertAt;  // end of the section's first block
};

Location Locate(const std::vector<Line>& lines, std::string_view section, std::string_view entry) {
    Location where;
    bool inSection = false;
    bool inFirstBlock = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.kind == Line::Kind::Header) {
            inSection = line.named && EqualsNoCase(line.name, section);
            inFirstBlock = inSection && !where.insertAt;
            if (inFirstBlock) {
                where.insertAt = i + 1;
            }
            continue;
        }
        if (inFirstBlock && !TrimBlanks(line.text).empty()) {
            // New entries go after the last line of the block, before the
            // blank lines that separate it from the next header.
            where.insertAt = i + 1;
        }
        if (inSection && line.kind == Line::Kind::Entry && EqualsNoCase(line.name, entry)) {
            where.entry = i;
            return where;
        }
    }
    return where;
}

// "Software\Quennel\Torvan" -> {"Quennel", "Torvan"}; nullopt when nothing
// usable is left or a component cannot be a file name.
std::optional<std::vector<std::string>> KeyComponents(const std::string& basePath) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = basePath.find('\\', start);
        std::string part =
            basePath.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!part.empty()) {
            if (part == "." || part == ".." || part.find('/') != std::string::npos ||
                part.find('\0') != std::string::npos) {
                return std::nullopt;
            }
            parts.push_back(std::move(part));
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (!parts.empty() && EqualsNoCase(parts.front(), "Software")) {
        parts.erase(parts.begin());
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    return parts;
}

// Appends the section's header unless the section is there already.
void AddSection(std::vector<Line>& lines, std::string_view section) {
    if (Locate(lines, section, std::string_view()).insertAt) {
        return;
    }
    if (!lines.empty() && !TrimBlanks(lines.back().text).empty()) {
        lines.emplace_back();
    }
    Line header;
    header.text = "[" + Escape(section, true) + "]";
    header.kind = Line::Kind::Header;
    header.named = true;
    header.name = std::string(section);
    lines.push_back(std::move(header));
}

// Stores value as the entry, replacing the first one of that name, or adds
// it at the end of the section's first block (creating the section).
void SetEntry(std::vector<Line>& lines, const std::string& section, const std::string& entry,
              const std::string& value) {
    const std::string_view sectionName = UpToNul(section);
    const std::string_view entryName = UpToNul(entry);
    const std::string escapedValue = Escape(UpToNul(value), false);
    Location where = Locate(lines, sectionName, entryName);
    if (where.entry) {
        // Keep the name as stored, spelling and spacing included.
        Line& line = lines[*where.entry];
        line.text.resize(line.valueAt);
        line.text += escapedValue;
        return;
    }
    if (!where.insertAt) {
        AddSection(lines, sectionName);
        where.insertAt = lines.size();
    }
    Line added;
    added.text = Escape(entryName, true) + "=" + escapedValue;
    added.kind = Line::Kind::Entry;
    added.name = std::string(entryName);
    added.valueAt = added.text.size() - escapedValue.size();
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*where.insertAt), std::move(added));
}

// The legacy settings file
// ------------------------
// Read as the C library reads a text file in pieces of at most 519
// characters: a longer line is cut, and every piece counts as a line. A line
// ends at its first NUL. Lines are trimmed of white space; "[name]" (the
// first ']' being the last character) starts a section, whose name is
// trimmed again; "name=value" below a section is an entry, split at the
// first '=' and not trimmed any further. Everything else is ignored.
constexpr std::size_t kLegacyPiece = 519;

bool IsLegacyWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimLegacy(std::string_view text) {
    while (!text.empty() && IsLegacyWhite(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsLegacyWhite(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

void ImportLegacyText(std::string content, std::vector<Line>& lines) {
    // Text mode: a CR LF pair is one line end.
    std::string text;
    text.reserve(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (!(content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')) {
            text += content[i];
        }
    }
    std::optional<std::string> section;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t newline = text.find('\n', pos);
        const std::size_t lineEnd = newline == std::string::npos ? text.size() : newline + 1;
        const std::size_t length = std::min(kLegacyPiece, lineEnd - pos);
        std::string_view piece(text.data() + pos, length);
        pos += length;
        piece = TrimLegacy(piece.substr(0, piece.find('\0')));

        const std::size_t close = piece.find(']');
        if (!piece.empty() && piece.front() == '[' && close == piece.size() - 1) {
            section = std::string(TrimLegacy(piece.substr(1, piece.size() - 2)));
            AddSection(lines, *section);
            continue;
        }
        const std::size_t eq = piece.find('=');
        if (eq != std::string_view::npos && section) {
            SetEntry(lines, *section, std::string(piece.substr(0, eq)),
                     std::string(piece.substr(eq + 1)));
        }
    }
}

// A legacy settings file spelt exactly as the store file is imported in its
// place; the file as it was is kept beside it. True when that happened: the
// store is then as new as one that Open created.
bool AdoptLegacyStoreFile(const std::string& file) {
    auto content = ReadWholeFile(file);
    if (!content || content->empty() || HasStoreMarker(*content)) {
        return false;
    }
    LockFile lock;
    lock.Lock(file + ".lock", true);
    if (!lock.Held()) {
        return false;
    }
    content = ReadWholeFile(file);  // another instance may have adopted it meanwhile
    if (!content || HasStoreMarker(*content) ||
        !WriteFileAtomically(file + ".imported", *content)) {
        return false;
    }
    std::vector<Line> lines;
    ImportLegacyText(std::move(*content), lines);
    return WriteFileAtomically(file, Serialize(lines));
}

}  // namespace

std::string CProfileStore::DefaultRoot() {
    return UserConfigDirectory();
}

bool CProfileStore::Open(const std::string& root, const std::string& basePath, bool& newlyCreated) {
    newlyCreated = false;
    m_strRoot.clear();
    m_strBasePath.clear();
    m_strFilePath.clear();
    try {
        const std::string folder = root.empty() ? DefaultRoot() : root;
        const auto parts = KeyComponents(basePath);
        if (folder.empty() || !parts) {
            return false;
        }
        std::string dir = folder;
        for (std::size_t i = 0; i + 1 < parts->size(); ++i) {
            dir = JoinPath(dir, (*parts)[i]);
        }
        if (!MakeDirectories(dir)) {
            return false;
        }
        const std::string file = JoinPath(dir, parts->back() + ".ini");
        bool created = false;
        if (IsRegularFile(file)) {
            created = AdoptLegacyStoreFile(file);
        } else {
            if (FileExists(file)) {
                return false;  // a folder or the like is in the way
            }
            // Under the lock, so that a second instance starting at the same
            // moment cannot replace a file the first one has already filled.
            // Serialises writers across processes for the whole read-modify-write.
            LockFile lock;
            lock.Lock(file + ".lock", true);
            if (!lock.Held()) {
                return false;
            }
            if (!FileExists(file)) {
                if (!WriteFileAtomically(file, Serialize({}))) {
                    return false;
                }
                created = true;
            }
        }
        m_strRoot = folder;
        m_strBasePath = basePath;
        m_strFilePath = file;
        newlyCreated = created;
        return true;
    } catch (...) {
        m_strRoot.clear();
        m_strBasePath.clear();
        m_strFilePath.clear();
        return false;
    }
}

std::string CProfileStore::GetString(const std::string& section, const std::string& entry,
                                     const std::string& defaultValue) const {
    try {
        if (m_strFilePath.empty()) {
            return defaultValue;
        }
        const auto content = ReadWholeFile(m_strFilePath);
        if (!content) {
            return defaultValue;
        }
        const std::vector<Line> lines = Parse(*content);
        const Location where = Locate(lines, UpToNul(section), UpToNul(entry));
        if (!where.entry) {
            return defaultValue;
        }
        const Line& line = lines[*where.entry];
        std::string value = Unescape(std::string_view(line.text).substr(line.valueAt));
        // Values were always read into a buffer of this size, terminator
        // included; one that did not fit counted as missing.
        if (value.size() + 1 > kMaxValueBytes) {
            return defaultValue;
        }
        return value;
    } catch (...) {
        return defaultValue;
    }
}

bool CProfileStore::WriteString(const std::string& section, const std::string& entry,
                                const std::string& value) {
    try {
        return WriteEntries({{section, entry, value}});
    } catch (...) {
        return false;
    }
}

bool CProfileStore::WriteEntries(const std::vector<ProfileEntry>& entries) {
    try {
        if (m_strFilePath.empty()) {
            return false;
        }
        LockFile lock;
        lock.Lock(m_strFilePath + ".lock", true);
        if (!lock.Held()) {
            return false;
        }
        std::string content;
        if (FileExists(m_strFilePath)) {
            auto read = ReadWholeFile(m_strFilePath);
            if (!read) {
                return false;  // never overwrite what could not be read
            }
            content = std::move(*read);
        }
        std::vector<Line> lines = Parse(content);
        for (const ProfileEntry& item : entries) {
            SetEntry(lines, item.section, item.entry, item.value);
        }
        return WriteFileAtomically(m_strFilePath, Serialize(lines));
    } catch (...) {
        return false;
    }
}

int CProfileStore::GetInt(const std::string& section, const std::string& entry,
                          int defaultValue) const {
    try {
        // A marker no stored value can hold tells "missing" from "present".
        static const std::string kMissing(kMaxValueBytes, 'x');
        const std::string text = GetString(section, entry, kMissing);
        if (text.size() >= kMaxValueBytes) {
            return defaultValue;
        }
        // Read like "%d", but saturating instead of overflowing.
        std::size_t i = 0;
        while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
            ++i;
        }
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negative = text[i] == '-';
            ++i;
        }
        const std::size_t firstDigit = i;
        constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
        long long magnitude = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (magnitude < kLimit) {
                magnitude = magnitude * 10 + (text[i] - '0');
            }
        }
        if (i == firstDigit) {
            return defaultValue;
        }
        if (negative) {
            return magnitude >= kLimit ? INT_MIN : static_cast<int>(-magnitude);
        }
        return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    } catch (...) {
        return defaultValue;
    }
}

bool CProfileStore::WriteInt(const std::string& section, const std::string& entry, int value) {
    try {
        return WriteString(section, entry, std::to_string(value));
    } catch (...) {
        return false;
    }
}

void CProfileBatch::WriteString(const std::string& section, const std::string& entry,
                                const std::string& value) {
    m_entries.push_back({section, entry, value});
}

void CProfileBatch::WriteInt(const std::string& section, const std::string& entry, int value) {
    m_entries.push_back({section, entry, std::to_string(value)});
}

bool CProfileBatch::Commit() {
    const std::vector<ProfileEntry> entries = std::move(m_entries);
    m_entries.clear();
    return entries.empty() || m_store.WriteEntries(entries);
}

}  // namespace torvan

namespace torvan {

std::string CProfileStore::LegacyIniPath() const {
    try {
        if (m_strFilePath.empty()) {
            return {};
        }
        const std::string dir = ParentDirectory(m_strFilePath);
        const std::string storeName = FileNameOf(m_strFilePath);
        const std::string name = StemOf(m_strFilePath) + ".INI";
        const std::string exact = JoinPath(dir, name);
        if (name != storeName && IsRegularFile(exact)) {
            return exact;
        }
        // Copied from Windows, the file may be spelt in any case; the store
        // file itself ("Torvan.ini") never counts.
        for (const std::string& found : ListDirectory(dir)) {
            if (found != storeName && EqualsNoCase(found, name) &&
                IsRegularFile(JoinPath(dir, found))) {
                return JoinPath(dir, found);
            }
        }
        return exact;
    } catch (...) {
        return {};
    }
}

void CProfileStore::ImportIniFile() {
    ImportIniFile(LegacyIniPath());
}

void CProfileStore::ImportIniFile(const std::string& iniPath) {
    try {
        if (m_strFilePath.empty() || iniPath.empty() || iniPath == m_strFilePath) {
            return;
        }
        auto legacy = ReadWholeFile(iniPath);
        if (!legacy) {
            return;  // no legacy file: nothing to import
        }
        // A store file is never a legacy one: on a file system that ignores
        // case, "Torvan.INI" names the store's own "Torvan.ini".
        if (HasStoreMarker(*legacy)) {
            return;
        }
        LockFile lock;
        lock.Lock(m_strFilePath + ".lock", true);
        if (!lock.Held()) {
            return;
        }
        std::string content;
        if (FileExists(m_strFilePath)) {
            auto read = ReadWholeFile(m_strFilePath);
            if (!read) {
                return;
            }
            content = std::move(*read);
        }
        std::vector<Line> lines = Parse(content);
        ImportLegacyText(std::move(*legacy), lines);
        // One replacement: the store gets all of the file or none of it.
        WriteFileAtomically(m_strFilePath, Serialize(lines));
    } catch (...) {
    }
}

}  // namespace torvan
