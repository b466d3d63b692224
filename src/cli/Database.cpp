#include "cli/Database.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

#include "cli/Output.h"
#include "database/Check.h"
#include "database/DataFile.h"
#include "database/Mbf.h"
#include "platform/FileSystem.h"

namespace torvan::cli {
namespace {

// Labels of a description file mapped to column names.
constexpr std::array<std::array<const char*, 2>, 9> kLabelNames = {{
    {"DATE", "Date"},
    {"TIME", "Time"},
    {"OPEN", "Open"},
    {"HIGH", "High"},
    {"LOW", "Low"},
    {"CLOSE", "Close"},
    {"VOL", "Volume"},
    {"VOLUME", "Volume"},
    {"OI", "OpenInterest"},
}};

std::vector<std::string> DailyLayout(int count) {
    switch (count) {
        case 1:
            return {"Date"};
        case 2:
            return {"Date", "Close"};
        case 3:
            return {"Date", "Close", "Volume"};
        case 4:
            return {"Date", "High", "Low", "Close"};
        case 5:
            return {"Date", "High", "Low", "Close", "Volume"};
        case 6:
            return {"Date", "Open", "High", "Low", "Close", "Volume"};
        default:
            return {"Date", "Open", "High", "Low", "Close", "Volume", "OpenInterest"};
    }
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// The labels of a description file, one per non-empty line: the quoted
// text, or the text before the first comma.
std::vector<std::string> DescriptionLabels(const std::string& text) {
    std::vector<std::string> labels;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        std::string label;
        if (line.front() == '"') {
            label = line.substr(1, line.find('"', 1) - 1);
        } else {
            label = line.substr(0, line.find(','));
        }
        labels.push_back(label);
    }
    return labels;
}

std::string SecurityFile(const std::string& directory, int fileNumber, const char* extension) {
    auto found = FindFileNoCase(directory, "F" + std::to_string(fileNumber) + extension);
    return found ? *found : std::string();
}

std::string FieldLetters(const std::vector<std::string>& names) {
    std::string letters;
    for (const std::string& name : names) {
        letters += name == "OpenInterest" ? 'I' : name.rfind("Field", 0) == 0 ? '?' : name[0];
    }
    return letters;
}

// The header's count of price records in a data file, if it can be read.
std::optional<int> CountedRecords(const std::string& path) {
    File file;
    std::uint8_t header[4];
    if (path.empty() || !file.Open(path, File::Mode::Read) || !file.ReadExact(header, 4)) {
        return std::nullopt;
    }
    const int count = GetU16(header + 2);
    return count > 0 ? count - 1 : 0;
}

std::optional<std::string> FindSubdirectory(const std::string& parent, const std::string& name) {
    const std::string exact = JoinPath(parent, name);
    if (IsDirectory(exact)) {
        return exact;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(parent, ec)) {
        if (Upper(entry.path().filename().string()) == Upper(name) && entry.is_directory(ec)) {
            return entry.path().string();
        }
    }
    return std::nullopt;
}

// The directory whose MASTER holds wanted, searched in the order FindSecurity
// searches: a directory's own entries, then its subdirectories depth first.
std::optional<std::string> DirectoryHolding(const std::string& directory,
                                            const MasterRecord& wanted,
                                            std::set<std::string>& visited) {
    std::error_code ec;
    const std::string real = std::filesystem::canonical(directory, ec).string();
    MasterFile master;
    if (ec || !visited.insert(real).second || !ReadMaster(directory, master)) {
        return std::nullopt;
    }
    for (const MasterRecord& record : master.records) {
        if (!record.IsSubdirectory() && record.Pack() == wanted.Pack()) {
            return directory;
        }
    }
    for (const MasterRecord& record : master.records) {
        if (!record.IsSubdirectory()) {
            continue;
        }
        const std::string name = record.SubdirectoryName();
        if (name.empty() || name == "." || name == ".." ||
            name.find_first_of("/\\") != std::string::npos) {
            continue;
        }
        auto sub = FindSubdirectory(directory, name);
        if (!sub || sub->size() + 1 > kMaxDirectoryPath) {
            continue;
        }
        if (auto found = DirectoryHolding(*sub, wanted, visited)) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> FieldNames(const std::string& directory, const MasterRecord& record) {
    const int count = record.fieldCount;
    const std::string dop = SecurityFile(directory, record.fileNumber, ".DOP");
    if (!dop.empty()) {
        const auto text = ReadWholeFile(dop);
        const auto labels = text ? DescriptionLabels(*text) : std::vector<std::string>();
        if (labels.size() == static_cast<std::size_t>(count)) {
            std::vector<std::string> names;
            for (const std::string& label : labels) {
                std::string name = label;
                for (const auto& [stored, shown] : kLabelNames) {
                    if (Upper(label) == stored) {
                        name = shown;
                    }
                }
                names.push_back(name);
            }
            return names;
        }
    }
    std::vector<std::string> names;
    if (record.period == 'I' && count >= 2) {
        names = DailyLayout(count - 1);
        names.insert(names.begin() + 1, "Time");
    } else if (count >= 1) {
        names = DailyLayout(count);
    }
    for (int k = static_cast<int>(names.size()); k < count; ++k) {
        names.push_back("Field" + std::to_string(k + 1));
    }
    names.resize(static_cast<std::size_t>(std::max(count, 0)));
    return names;
}

std::string StoredDateText(float stored) {
    if (stored == 0.0F) {
        return {};
    }
    const long number = std::lround(stored);
    const long month = number / 100 % 100;
    const long day = number % 100;
    if (number <= 0 || static_cast<float>(number) != stored || month < 1 || month > 12 || day < 1 ||
        day > 31) {
        return NumberText(stored);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", number / 10000 + 1900, month, day);
    return text;
}

std::string NumberText(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

int RunList(const std::string& directory) {
    MasterFile master;
    if (!ReadMaster(directory, master)) {
        Report("No MASTER file in " + directory);
        return kExitFailed;
    }
    std::printf("%-4s  %-16s  %-16s  %-8s  %-10s  %-10s  %s\n", "File", "Symbol", "Name", "Fields",
                "First", "Last", "Records");
    for (const MasterRecord& record : master.records) {
        if (record.IsSubdirectory()) {
            std::printf("%-4d  <DIR> %s\n", record.fileNumber, record.SubdirectoryName().c_str());
            continue;
        }
        const std::string first = StoredDateText(MbfToFloat(record.firstDate));
        const std::string last = StoredDateText(MbfToFloat(record.lastDate));
        const auto count = CountedRecords(SecurityFile(directory, record.fileNumber, ".DAT"));
        std::printf("%-4d  %-16s  %-16s  %-8s  %-10s  %-10s  %s\n", record.fileNumber,
                    record.SymbolText().c_str(), record.NameText().c_str(),
                    FieldLetters(FieldNames(directory, record)).c_str(),
                    first.empty() ? "-" : first.c_str(), last.empty() ? "-" : last.c_str(),
                    count ? std::to_string(*count).c_str() : "-");
    }
    return kExitOk;
}

int RunDump(const std::string& directory, const std::string& symbol) {
    MasterFile master;
    if (!ReadMaster(directory, master)) {
        Report("No MASTER file in " + directory);
        return kExitFailed;
    }
    MasterRecord record;
    std::set<std::string> visited;
    std::optional<std::string> where;
    if (FindSecurity(directory, symbol, record) == kFound) {
        where = DirectoryHolding(directory, record, visited);
    }
    if (!where) {
        Report("No security \"" + symbol + "\" in " + directory);
        return kExitFailed;
    }
    const std::string dataPath = SecurityFile(*where, record.fileNumber, ".DAT");
    DataFileContents contents;
    if (dataPath.empty() || !ReadDataFile(dataPath, record.fieldCount, contents)) {
        Report("Cannot read the data file F" + std::to_string(record.fileNumber) + ".DAT of " +
               symbol + " in " + *where);
        return kExitFailed;
    }

    const std::vector<std::string> names = FieldNames(*where, record);
    std::string line;
    for (const std::string& name : names) {
        line += line.empty() ? "" : ",";
        line += name;
    }
    std::cout << line << '\n';
    // The header's count rules: bytes past it are no records.
    std::size_t rows = contents.records.size();
    if (contents.recordCount > 0) {
        rows = std::min<std::size_t>(rows, contents.recordCount - 1U);
    }
    for (std::size_t r = 0; r < rows; ++r) {
        line.clear();
        for (std::size_t f = 0; f < names.size(); ++f) {
            const float value = MbfToFloat(contents.records[r][f]);
            line += f == 0 ? "" : ",";
            line += names[f] == "Date" ? StoredDateText(value) : NumberText(value);
        }
        std::cout << line << '\n';
    }
    return std::cout.flush() ? kExitOk : kExitFailed;
}

int RunCheck(const std::string& directory) {
    if (!IsDirectory(directory)) {
        Report("No such directory: " + directory);
        return kExitFailed;
    }
    const std::vector<Finding> findings = CheckDatabase(directory);
    for (const Finding& finding : findings) {
        std::cout << finding.Line() << '\n';
    }
    std::cout.flush();
    return findings.empty() ? kExitOk : kExitFailed;
}

}  // namespace torvan::cli
