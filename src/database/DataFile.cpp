// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/DataFile.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace torvan {

std::vector<std::uint8_t> PackDataHeader(int fieldCount, std::uint16_t recordCount) {
    std::vector<std::uint8_t> header(static_cast<std::size_t>(fieldCount) * 4, 0);
    for (std::size_t i = 0; i + 4 <= header.size(); i += 4) {
        PutU16(header.data() + i, 0);
        PutU16(header.data() + i + 2, 1);
    }
    if (header.size() >= 4) {
        PutU16(header.data() + 2, recordCount);
    }
    return header;
}

std::string DescriptionText(const FieldFlags& fieldOn, bool withTime) {
    std::string text;
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        if (fieldOn[static_cast<std::size_t>(slot)] != 0) {
            text += '"';
            text += kFieldLabels[static_cast<std::size_t>(slot)];
            text += '"';
            text += slot == 0 ? ",0,0" : ",4,4";
            text += "\r\n";
        }
        if (slot == 0 && withTime) {
            text += "\"TIME\",0,0\r\n";
        }
    }
    return text;
}

namespace {

// An existing file of that name in another spelling is replaced, as on a
// file system that ignores case; otherwise the upper-case name is used.
std::string TargetPath(const std::string& directory, const std::string& name) {
    auto found = FindFileNoCase(directory, name);
    return found ? *found : JoinPath(directory, name);
}

bool WriteNewFile(const std::string& path, const void* data, std::size_t size, bool sync) {
    File file;
    if (!file.Open(path, File::Mode::Write)) {
        return false;
    }
    bool ok = file.Write(data, size) && file.Flush(sync);
    return file.Close() && ok;
}

}  // namespace

std::string WriteSecurityFiles(const std::string& dataPath, const std::string& descriptionPath,
                               const FieldFlags& fieldOn, int fieldCount, bool withTime) {
    const std::vector<std::uint8_t> header = PackDataHeader(fieldCount, 1);
    // The data file's writer flushes it to disk once its records are in.
    if (!WriteNewFile(dataPath, header.data(), header.size(), /*sync=*/false)) {
        RemoveFile(dataPath);
        return dataPath;
    }
    const std::string text = DescriptionText(fieldOn, withTime);
    if (!WriteNewFile(descriptionPath, text.data(), text.size(), /*sync=*/true)) {
        RemoveFile(descriptionPath);
        RemoveFile(dataPath);
        return descriptionPath;
    }
    return {};
}

std::set<int> NumbersWithPriceFiles(const std::string& directory) {
    std::set<int> numbers;
    for (const std::string& entry : ListDirectory(directory)) {
        const std::string name = ToUpperAscii(entry);
        const std::size_t dot = name.size() >= 4 ? name.size() - 4 : 0;
        const std::string suffix = name.substr(dot);
        if (dot < 2 || name[0] != 'F' ||
            (suffix != ".DAT" && suffix != ".DOP" && suffix != ".MWD")) {
            continue;
        }
        const std::string digits = name.substr(1, dot - 1);
        if (!digits.empty() && digits.size() <= 5 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return IsDigit(c); })) {
            numbers.insert(std::stoi(digits));
        }
    }
    return numbers;
}

std::string ExistingDescriptionFilePath(const std::string& directory, int fileNumber) {
    return TargetPath(directory, "F" + std::to_string(fileNumber) + ".DOP");
}

bool ReadDataFile(const std::string& path, int fieldCount, DataFileContents& contents) {
    contents = DataFileContents{};
    if (fieldCount < 1) {
        return false;
    }
    File file;
    if (!file.Open(path, File::Mode::Read)) {
        return false;
    }
    const std::size_t recordSize = static_cast<std::size_t>(fieldCount) * 4;
    std::vector<std::uint8_t> record(recordSize);
    if (!file.ReadExact(record.data(), recordSize)) {
        return false;
    }
    contents.recordCount = GetU16(record.data() + 2);
    while (file.ReadExact(record.data(), recordSize)) {
        std::vector<Bytes4> values(static_cast<std::size_t>(fieldCount));
        for (std::size_t i = 0; i < values.size(); ++i) {
            for (std::size_t k = 0; k < 4; ++k) {
                values[i][k] = record[i * 4 + k];
            }
        }
        contents.records.push_back(std::move(values));
    }
    return !file.Failed();
}

}  // namespace torvan
