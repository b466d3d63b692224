#pragma once

#include <array>
#include <string>

#include "engine/Converter.h"

namespace torvan {

class CProfileStore;

// The conversion settings of profile section "Import", with their defaults.
// Columns are 1-based here, as the user counts them.
struct ImportSettings {
    std::string dateFormat = "MMDDYY";
    int exist = 0;      // 0: use the existing MASTER, 1: make a new one
    int delimiter = 0;  // 0 comma, 1 tab, 2 space, 3 semicolon
    std::string pathOut;
    std::string symbol;
    std::string name;
    int reverse = 0;
    int skipOn = 0;
    int skipRows = 0;
    // By field slot; the date and close are always on.
    std::array<int, kFieldSlots> fieldOn = {1, 1, 1, 1, 1, 1, 1};
    std::array<int, kFieldSlots> fieldCol = {1, 2, 3, 4, 5, 6, 7};
    int monthNames = 0;
    // Reading options beyond the classic ones, all off by default so that
    // saved settings read as they always did.
    int csv = 0;           // CSV reading: quotes, empty fields, separators in numbers
    int decimalComma = 0;  // CSV reading: numbers use a decimal comma
    int footerRows = 0;    // trailing lines that are no price lines (a source note)

    // Reads every entry, each with its default.
    void Load(const CProfileStore& store);
    // Writes the entries the settings dialog writes on OK ("PathOut",
    // "Symbol" and "Name" are written by the job itself once it passed its
    // checks).
    void Save(CProfileStore& store) const;

    // Fills a job with these settings. dateCode is the format's position in
    // the list (1..12), or 0 when none is chosen.
    void ApplyTo(CConverter& job, const std::string& inputPath, int dateCode) const;
};

// The delimiter character of a "Delimiter" value: tab, blank, semicolon, or
// the comma for any other value.
char DelimiterChar(int delimiter);

// Profile entry names of the optional fields and the columns, by slot.
inline constexpr std::array<const char*, kFieldSlots> kFieldOnEntries = {
    nullptr, "OpenOn", "HiOn", "LoOn", nullptr, "VolOn", "OIOn"};
inline constexpr std::array<const char*, kFieldSlots> kFieldColEntries = {
    "DateCol", "OpenCol", "HiCol", "LoCol", "CloCol", "VolCol", "OICol"};

}  // namespace torvan
