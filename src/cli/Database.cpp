#include "cli/Database.h"

#include <cstdio>
#include <iostream>

#include "cli/Output.h"
#include "database/Check.h"
#include "database/DatabaseReader.h"
#include "database/Mbf.h"
#include "platform/FileSystem.h"

namespace torvan::cli {

int RunList(const std::string& directory) {
    std::vector<SecurityEntry> entries;
    if (!ListSecurities(directory, entries)) {
        Report("No MASTER file in " + directory);
        return kExitFailed;
    }
    std::printf("%-4s  %-16s  %-16s  %-8s  %-10s  %-10s  %s\n", "File", "Symbol", "Name", "Fields",
                "First", "Last", "Records");
    for (const SecurityEntry& entry : entries) {
        const MasterRecord& record = entry.record;
        if (entry.isSubdirectory) {
            std::printf("%-4d  <DIR> %s\n", record.fileNumber, record.SubdirectoryName().c_str());
            continue;
        }
        const std::string first = StoredDateText(MbfToFloat(record.firstDate));
        const std::string last = StoredDateText(MbfToFloat(record.lastDate));
        // XMASTER's numbers and long names make some rows wider.
        std::printf("%-4d  %-16s  %-16s  %-8s  %-10s  %-10s  %s\n", entry.fileNumber,
                    entry.symbol.c_str(), entry.name.c_str(),
                    FieldLetters(entry.fieldNames).c_str(), first.empty() ? "-" : first.c_str(),
                    last.empty() ? "-" : last.c_str(),
                    entry.recordCount ? std::to_string(*entry.recordCount).c_str() : "-");
    }
    return kExitOk;
}

int RunDump(const std::string& directory, const std::string& symbol) {
    SecurityRecords security;
    switch (ReadSecurity(directory, symbol, security)) {
        case ReadResult::kNoMaster:
            Report("No MASTER file in " + directory);
            return kExitFailed;
        case ReadResult::kNotFound:
            Report("No security \"" + symbol + "\" in " + directory);
            return kExitFailed;
        case ReadResult::kCannotReadData:
            Report("Cannot read the data file " + security.entry.PriceFileName() + " of " + symbol +
                   " in " + security.entry.directory);
            return kExitFailed;
        case ReadResult::kOk:
            break;
    }
    const std::vector<std::string>& names = security.entry.fieldNames;
    std::string line;
    for (const std::string& name : names) {
        line += line.empty() ? "" : ",";
        line += name;
    }
    std::cout << line << '\n';
    for (const std::vector<float>& row : security.rows) {
        line.clear();
        for (std::size_t f = 0; f < names.size() && f < row.size(); ++f) {
            line += f == 0 ? "" : ",";
            line += names[f] == "Date" ? StoredDateText(row[f]) : NumberText(row[f]);
        }
        std::cout << line << '\n';
    }
    if (!std::cout.flush()) {
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
