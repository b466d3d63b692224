// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Database.h"

#include <algorithm>
#include <iostream>
#include <span>
#include <utility>
#include <vector>

#include "cli/Output.h"
#include "database/Check.h"
#include "database/DatabaseReader.h"
#include "database/Mbf.h"
#include "platform/FileSystem.h"

namespace torvan::cli {

namespace {

// Columns a cell takes on a terminal: its characters when it is UTF-8 text,
// its bytes otherwise (names in another code page).
std::size_t Columns(const std::string& text) {
    std::size_t columns = 0;
    std::size_t pending = 0;  // continuation bytes still due
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (pending > 0) {
            if ((byte & 0xC0) != 0x80) {
                return text.size();
            }
            --pending;
            continue;
        }
        if (byte >= 0x80) {
            pending = (byte & 0xE0) == 0xC0   ? 1
                      : (byte & 0xF0) == 0xE0 ? 2
                      : (byte & 0xF8) == 0xF0 ? 3
                                              : 4;
            if (pending == 4) {
                return text.size();
            }
        }
        ++columns;
    }
    return pending == 0 ? columns : text.size();
}

// A table whose columns are as wide as their widest cell (and at least as
// wide as given), two blanks apart; the last column is not padded.
class Table {
  public:
    explicit Table(std::vector<std::size_t> minimumWidths) : m_widths(std::move(minimumWidths)) {}

    void Add(std::vector<std::string> row) {
        for (std::size_t i = 0; i + 1 < row.size() && i < m_widths.size(); ++i) {
            m_widths[i] = std::max(m_widths[i], Columns(row[i]));
        }
        m_rows.push_back(std::move(row));
    }

    void Print() const {
        for (const std::vector<std::string>& row : m_rows) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) {
                line += row[i];
                if (i + 1 < row.size()) {
                    const std::size_t width = i < m_widths.size() ? m_widths[i] : 0;
                    line.append(width - std::min(width, Columns(row[i])) + 2, ' ');
                }
            }
            std::cout << line << '\n';
        }
    }

  private:
    std::vector<std::size_t> m_widths;
    std::vector<std::vector<std::string>> m_rows;
};

}  // namespace

void ReportNoMaster(const std::string& directory) {
    // A MASTER that is there but cannot be read is not "no MASTER".
    if (const auto master = FindFileNoCase(directory, "MASTER")) {
        Report("Cannot read the MASTER file " + *master);
    } else {
        Report("No MASTER file in " + directory);
    }
}

namespace {

// The CSV of dump, written as the records are read, in pieces of 64 KiB:
// memory stays the same whatever the security's size.
class DumpWriter {
  public:
    // entry is filled in by the time the first record comes.
    explicit DumpWriter(const SecurityEntry& entry) : m_entry(entry) {}

    void Row(std::span<const float> row) {
        Begin();
        for (std::size_t f = 0; f < m_isDate.size() && f < row.size(); ++f) {
            if (f > 0) {
                m_text += ',';
            }
            if (m_isDate[f]) {
                AppendStoredDateText(m_text, row[f]);
            } else if (m_isTime[f]) {
                m_text += TimeText(row[f]);
            } else {
                AppendNumberText(m_text, row[f]);
            }
        }
        m_text += '\n';
        if (m_text.size() >= kPiece) {
            Write();
        }
    }

    // Writes what is left (the header line alone when there were no
    // records); false when standard output failed.
    bool Finish() {
        Begin();
        Write();
        return static_cast<bool>(std::cout.flush());
    }

  private:
    static constexpr std::size_t kPiece = 1 << 16;

    void Begin() {
        if (m_started) {
            return;
        }
        m_started = true;
        for (const std::string& name : m_entry.fieldNames) {
            m_text += m_isDate.empty() ? "" : ",";
            m_text += name;
            m_isDate.push_back(name == "Date");
            m_isTime.push_back(name == "Time");
        }
        m_text += '\n';
    }

    void Write() {
        std::cout.write(m_text.data(), static_cast<std::streamsize>(m_text.size()));
        m_text.clear();
    }

    const SecurityEntry& m_entry;
    bool m_started = false;
    std::vector<bool> m_isDate;
    std::vector<bool> m_isTime;
    std::string m_text;
};

}  // namespace

int RunList(const std::string& directory) {
    std::vector<SecurityEntry> entries;
    std::vector<UnreadIndexFile> unread;
    if (!ListSecurities(directory, entries, &unread)) {
        ReportNoMaster(directory);
        return kExitFailed;
    }
    // Long names of EMASTER and XMASTER, and XMASTER's file numbers, widen
    // their columns for every row.
    Table table({4, 16, 16, 8, 10, 10});
    table.Add({"File", "Symbol", "Name", "Fields", "First", "Last", "Records"});
    for (const SecurityEntry& entry : entries) {
        const MasterRecord& record = entry.record;
        if (entry.isSubdirectory) {
            // "<DIR> name" runs on from the symbol's column and widens none.
            table.Add({std::to_string(record.fileNumber), "<DIR> " + record.SubdirectoryName()});
            continue;
        }
        // An intraday security's first and last bars with their times.
        auto when = [](float date, const std::optional<float>& time) {
            const std::string text = StoredDateText(date);
            return text.empty() || !time ? text : text + " " + TimeText(*time);
        };
        const std::string first = when(MbfToFloat(record.firstDate), entry.firstTime);
        const std::string last = when(MbfToFloat(record.lastDate), entry.lastTime);
        table.Add({std::to_string(entry.fileNumber), entry.symbol, entry.name,
                   FieldLetters(entry.fieldNames), first.empty() ? "-" : first,
                   last.empty() ? "-" : last,
                   entry.recordCount ? std::to_string(*entry.recordCount) : "-"});
    }
    table.Print();
    std::cout.flush();
    // After the list, where they are seen, and as a failure: the list is not
    // the whole database.
    for (const UnreadIndexFile& file : unread) {
        Report(file.Text() + (file.kind == UnreadIndexFile::Kind::kEMaster
                                  ? "; the long names it holds are not shown"
                                  : "; the securities it lists are not shown"));
    }
    return unread.empty() ? kExitOk : kExitFailed;
}

int RunDump(const std::string& directory, const std::string& symbol) {
    SecurityRecords security;
    DumpWriter csv(security.entry);
    const auto take = [&csv](std::span<const float> row) { csv.Row(row); };
    switch (ReadSecurity(directory, symbol, security, take)) {
        case ReadResult::kNoMaster:
            ReportNoMaster(directory);
            return kExitFailed;
        case ReadResult::kNotFound:
            Report("No security \"" + symbol + "\" in " + directory);
            return kExitFailed;
        case ReadResult::kCannotReadIndex:
            Report(security.unread.Text() + ", which might list \"" + symbol + "\"");
            return kExitFailed;
        case ReadResult::kCannotReadData:
            Report("Cannot read the data file " + security.entry.PriceFileName() + " of " + symbol +
                   " in " + security.entry.directory);
            return kExitFailed;
        case ReadResult::kOk:
            break;
    }
    if (!csv.Finish()) {
        // A full disk or a closed pipe would otherwise leave a cut-off CSV
        // with no word of why.
        Report("Cannot write the records to standard output");
        return kExitFailed;
    }
    return kExitOk;
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
