#include "settings/ImportSettings.h"

#include "settings/ProfileStore.h"

namespace torvan {
namespace {
constexpr const char* kSection = "Import";
}  // namespace

char DelimiterChar(int delimiter) {
    switch (delimiter) {
        case 1:
            return '\t';
        case 2:
            return ' ';
        case 3:
            return ';';
        default:
            return ',';
    }
}

void ImportSettings::Load(const CProfileStore& store) {
    const ImportSettings defaults;
    dateFormat = store.GetString(kSection, "DateFormat", defaults.dateFormat);
    exist = store.GetInt(kSection, "Exist", defaults.exist);
    delimiter = store.GetInt(kSection, "Delimiter", defaults.delimiter);
    pathOut = store.GetString(kSection, "PathOut", defaults.pathOut);
    symbol = store.GetString(kSection, "Symbol", defaults.symbol);
    name = store.GetString(kSection, "Name", defaults.name);
    reverse = store.GetInt(kSection, "Reverse", defaults.reverse);
    skipOn = store.GetInt(kSection, "SkipOn", defaults.skipOn);
    skipRows = store.GetInt(kSection, "SkipRows", defaults.skipRows);
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        fieldCol[s] = store.GetInt(kSection, kFieldColEntries[s], defaults.fieldCol[s]);
        if (kFieldOnEntries[s] != nullptr) {
            fieldOn[s] = store.GetInt(kSection, kFieldOnEntries[s], defaults.fieldOn[s]);
        }
    }
    monthNames = store.GetInt(kSection, "JAN", defaults.monthNames);
    csv = store.GetInt(kSection, "Csv", defaults.csv);
    decimalComma = store.GetInt(kSection, "DecimalComma", defaults.decimalComma);
    footerRows = store.GetInt(kSection, "FooterRows", defaults.footerRows);
}

void ImportSettings::Save(CProfileStore& store) const {
    store.WriteString(kSection, "DateFormat", dateFormat);
    store.WriteInt(kSection, "Delimiter", delimiter);
    store.WriteInt(kSection, "Exist", exist);
    store.WriteInt(kSection, "Reverse", reverse);
    store.WriteInt(kSection, "SkipOn", skipOn);
    store.WriteInt(kSection, "SkipRows", skipRows);
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (s == kSlotClose) {
            store.WriteInt(kSection, kFieldColEntries[s], fieldCol[s]);
            continue;
        }
        if (kFieldOnEntries[s] != nullptr) {
            store.WriteInt(kSection, kFieldOnEntries[s], fieldOn[s]);
        }
        store.WriteInt(kSection, kFieldColEntries[s], fieldCol[s]);
    }
    store.WriteInt(kSection, "JAN", monthNames);
    store.WriteInt(kSection, "Csv", csv);
    store.WriteInt(kSection, "DecimalComma", decimalComma);
    store.WriteInt(kSection, "FooterRows", footerRows);
}

void ImportSettings::ApplyTo(CConverter& job, const std::string& inputPath, int dateCode) const {
    job.m_strInputPath = inputPath;
    job.m_nDateFormat = dateCode;
    job.m_szPathOut = pathOut;
    job.m_szSymbol = symbol;
    job.m_szName = name;
    job.m_szDelimiter = std::string(1, DelimiterChar(delimiter));
    job.m_bReverse = reverse;
    job.m_bSkipRows = skipOn;
    job.m_nSkipRows = skipRows;
    job.m_bExistingMaster = exist == 0 ? 1 : 0;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        job.m_bFieldOn[s] = (s == kSlotDate || s == kSlotClose) ? 1 : fieldOn[s];
        job.m_nFieldCol[s] = fieldCol[s] - 1;
    }
    job.m_bMonthNames = monthNames;
    job.m_bCsv = csv != 0 ? 1 : 0;
    job.m_bDecimalComma = decimalComma != 0 ? 1 : 0;
    job.m_nFooterRows = footerRows > 0 ? footerRows : 0;
}

}  // namespace torvan
