// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Json.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/Convert.h"
#include "cli/Database.h"
#include "cli/Inspect.h"
#include "cli/Output.h"
#include "database/Check.h"
#include "database/DatabaseReader.h"
#include "database/Mbf.h"
#include "detect/Detect.h"
#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"

namespace torvan::cli {
namespace {

using json = nlohmann::ordered_json;

// The value as the text output prints it ("8.585", not the float's exact
// 8.58500003814697): the shortest text that reads back to the same float.
json Number(float value) {
    const std::string text = NumberText(value);
    double number = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    if (result.ec != std::errc()) {
        return nullptr;  // NaN or infinity: JSON has no such number
    }
    // Whole numbers (volumes, most prices in points) without a ".0".
    if (std::trunc(number) == number && std::fabs(number) < 9007199254740992.0) {
        return static_cast<std::int64_t>(number);
    }
    return number;
}

// A stored date as "YYYY-MM-DD"; null for none (0); a stored value that is
// no date stays the number it is.
json Date(float stored) {
    const std::string text = StoredDateText(stored);
    if (text.empty()) {
        return nullptr;
    }
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        return text;
    }
    return Number(stored);
}

// JSON text must be UTF-8. Names written by programs in an 8-bit code page
// are not: each of their bytes becomes the character of the same number
// (Latin-1), so that nothing is lost and a script can get the bytes back.
void MakeUtf8(json& value) {
    if (value.is_string()) {
        try {
            (void)value.dump();
        } catch (const json::type_error&) {
            std::string text;
            for (const char c : value.get_ref<const std::string&>()) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x80) {
                    text += c;
                } else {
                    text += static_cast<char>(0xC0 | (byte >> 6));
                    text += static_cast<char>(0x80 | (byte & 0x3F));
                }
            }
            value = text;
        }
        return;
    }
    if (!value.is_structured()) {
        return;  // a primitive iterates over itself
    }
    for (json& element : value) {
        MakeUtf8(element);
    }
}

// Writes the document; a failed write is a failure, as a script would
// otherwise read a cut-off document.
int Print(json document, int status) {
    MakeUtf8(document);
    std::cout << document.dump(2) << '\n';
    if (!std::cout.flush()) {
        Report("Cannot write the JSON document to standard output");
        return kExitFailed;
    }
    return status;
}

const char* IndexName(UnreadIndexFile::Kind kind) {
    switch (kind) {
        case UnreadIndexFile::Kind::kEMaster:
            return "EMASTER";
        case UnreadIndexFile::Kind::kXMaster:
            return "XMASTER";
        default:
            return "MASTER";
    }
}

json SecurityJson(const SecurityEntry& entry) {
    const MasterRecord& record = entry.record;
    if (entry.isSubdirectory) {
        return {{"kind", "subdirectory"},
                {"fileNumber", record.fileNumber},
                {"name", record.SubdirectoryName()}};
    }
    auto time = [](const std::optional<float>& t) {
        return t ? json(TimeText(*t)) : json(nullptr);
    };
    const bool intraday = record.period == 'I';
    return {{"kind", "security"},
            {"fileNumber", entry.fileNumber},
            {"index", entry.inXMaster ? "XMASTER" : "MASTER"},
            {"priceFile", entry.PriceFileName()},
            {"symbol", entry.symbol},
            {"name", entry.name},
            {"fields", entry.fieldNames},
            {"firstDate", Date(MbfToFloat(record.firstDate))},
            {"lastDate", Date(MbfToFloat(record.lastDate))},
            {"records", entry.recordCount ? json(*entry.recordCount) : json(nullptr)},
            {"periodicity", intraday ? "intraday" : "daily"},
            {"interval", intraday ? json(entry.barMinutes) : json(nullptr)},
            {"firstTime", time(entry.firstTime)},
            {"lastTime", time(entry.lastTime)}};
}

json SettingsJson(const ImportSettings& settings) {
    json columns = json::object();
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (s == kSlotDate || s == kSlotClose || settings.fieldOn[s] != 0) {
            columns[kColumnNames[s]] = settings.fieldCol[s];
        }
    }
    if (settings.tickerCol != 0) {
        columns["ticker"] = settings.tickerCol;
    }
    return {{"delimiter", DelimiterName(settings.delimiter)},
            {"dateFormat", settings.dateFormat},
            {"columns", columns},
            {"skip", settings.skipOn != 0 ? settings.skipRows : 0},
            {"footer", settings.footerRows},
            {"reverse", settings.reverse != 0},
            {"monthNames", settings.monthNames != 0},
            {"csv", settings.csv != 0},
            {"decimalComma", settings.decimalComma != 0}};
}

json RowJson(const PreviewRow& row, const ImportSettings& settings) {
    const char* status = row.kind == LineKind::kNoDate    ? "noDate"
                         : row.kind == LineKind::kNoPrice ? "noPrice"
                                                          : "record";
    json out = {{"line", row.line}, {"status", status}};
    if (row.kind == LineKind::kNoDate) {
        return out;
    }
    out["date"] = Date(row.date);
    if (row.kind == LineKind::kNoPrice) {
        return out;
    }
    json values = json::object();
    for (std::size_t s = 1; s < kFieldSlots; ++s) {
        if (s == kSlotClose || settings.fieldOn[s] != 0) {
            values[kColumnNames[s]] = Number(row.values[s]);
        }
    }
    out["values"] = values;
    out["missingColumns"] = row.missingColumns;
    return out;
}

}  // namespace

int RunListJson(const std::string& directory) {
    std::vector<SecurityEntry> entries;
    std::vector<UnreadIndexFile> unread;
    if (!ListSecurities(directory, entries, &unread)) {
        ReportNoMaster(directory);
        return kExitFailed;
    }
    json securities = json::array();
    for (const SecurityEntry& entry : entries) {
        securities.push_back(SecurityJson(entry));
    }
    json unreadable = json::array();
    for (const UnreadIndexFile& file : unread) {
        unreadable.push_back(
            {{"index", IndexName(file.kind)}, {"path", file.path}, {"message", file.Text()}});
    }
    // The document is whole even when an index could not be read; the
    // status says that the list is not the whole database.
    return Print({{"directory", directory}, {"securities", securities}, {"unreadable", unreadable}},
                 unread.empty() ? kExitOk : kExitFailed);
}

int RunCheckJson(const std::string& directory) {
    if (!IsDirectory(directory)) {
        Report("No such directory: " + directory);
        return kExitFailed;
    }
    json findings = json::array();
    for (const Finding& finding : CheckDatabase(directory)) {
        findings.push_back({{"id", finding.id}, {"file", finding.file}, {"text", finding.text}});
    }
    const int status = findings.empty() ? kExitOk : kExitFailed;
    return Print({{"directory", directory}, {"findings", findings}}, status);
}

int RunInspectJson(const std::string& input, int rows) {
    if (!FileExists(input) || IsDirectory(input)) {
        Report(MessageText(MessageId::kCannotOpenInputFile, {input}));
        return kExitFailed;
    }
    const Detection detection = DetectLayout(input);
    json document = {
        {"input", input}, {"lines", detection.linesInFile}, {"convertible", detection.convertible}};
    if (!detection.convertible) {
        document["whyNot"] = detection.whyNot;
        return Print(document, kExitFailed);
    }
    const ImportSettings& settings = detection.settings;
    document["command"] = ConvertCommand(input, settings, TimeColumnOf(detection));
    document["settings"] = SettingsJson(settings);
    if (const int time = TimeColumnOf(detection); time > 0) {
        document["settings"]["columns"]["time"] = time;
    }
    json choices = json::array();
    for (const DetectedChoice& choice : detection.choices) {
        choices.push_back({{"setting", choice.setting},
                           {"value", choice.value},
                           {"confidence", ConfidenceText(choice.confidence)},
                           {"reason", choice.reason}});
    }
    document["choices"] = choices;
    if (settings.tickerCol != 0) {
        const TickerSummary tickers = SummariseTickers(input, settings);
        document["tickers"] = {{"count", tickers.count}, {"first", tickers.first}};
    }
    json preview = json::array();
    for (const PreviewRow& row : PreviewLines(input, settings, static_cast<std::size_t>(rows))) {
        preview.push_back(RowJson(row, settings));
    }
    document["rows"] = preview;
    document["warnings"] = detection.warnings;
    return Print(document, kExitOk);
}

}  // namespace torvan::cli
