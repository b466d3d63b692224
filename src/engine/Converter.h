#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "database/DataFile.h"
#include "database/Mbf.h"
#include "engine/JobResult.h"
#include "engine/ProfileWriter.h"
#include "platform/FileSystem.h"

namespace torvan {

// Field slots of every seven-element array of a job.
enum FieldSlot : int {
    kSlotDate = 0,
    kSlotOpen = 1,
    kSlotHigh = 2,
    kSlotLow = 3,
    kSlotClose = 4,
    kSlotVolume = 5,
    kSlotOpenInterest = 6,
};

inline constexpr int kMaxColumns = 20;
// The most price records a data file can count in its 16-bit header.
inline constexpr int kMaxPriceRecords = 65534;
// Longest absolute output directory: "/MASTER" must still fit in 300.
inline constexpr std::size_t kMaxOutputDirectory = 293;

// One conversion: which text file to read, how its lines are laid out, the
// database directory to write to and the new security's symbol and name.
// The creator fills every field, calls Run once and discards the job.
class CConverter {
  public:
    CConverter() = default;
    ~CConverter() = default;
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // 0 when the whole conversion succeeded, non-zero otherwise. Stages that
    // have something to say show it through the job's sink first; Result()
    // tells the caller what was done.
    int Run();
    const JobResult& Result() const { return m_result; }

    // Shows a message through the job's sink, keeps it in the result and
    // returns the button pressed.
    int Say(std::string id, std::vector<std::string> params, std::string text,
            unsigned type = kMbOk);
    // Says text as an error (exclamation icon) and returns 1, the failure
    // status of the stage that reports it.
    int Fail(std::string id, std::vector<std::string> params, std::string text);

    // Stages, in the order Run calls them. Each returns 0 to go on.
    int CheckOutputDirectory();
    int CheckColumnCount();
    int CheckDuplicateSymbol();
    int AddSecurity();
    int ReverseInput();
    int ConvertRecords();
    // Writes "PathIn", "PathOut", "Symbol" and "Name" of a run that passed
    // its checks to the profile, if the job has one.
    void RecordInProfile();

    // Rewrites date in place, replacing its first three-letter English month
    // name by the two-digit month. 1 if date holds a character that starts a
    // month-name search (a letter or one of [\]^_`{|}~ DEL), else 0.
    int TranslateMonthName(std::string& date);
    void ReplaceMonthName(std::size_t position, const char* replacement, std::string& date);

    // File work of ConvertRecords. The records go to a copy of the data file
    // (F<n>.NEW): AppendPriceRecord gathers them and writes them a block at
    // a time; SetRecordCount writes the rest and the counting header and
    // puts the copy in the data file's place.
    int AppendPriceRecord(std::uint8_t fileNumber);
    int SetMasterDates(const Bytes4& firstDate, const Bytes4& lastDate, std::uint8_t fileNumber);
    int SetRecordCount(std::uint16_t priceRecords, std::uint8_t fileNumber);

    // Settings, filled by the creator.
    int m_bMonthNames = 0;
    std::string m_strInputPath;
    int m_bExistingMaster = 0;
    FieldFlags m_bFieldOn{};
    std::array<int, kFieldSlots> m_nFieldCol{};
    std::string m_szPathOut;
    std::string m_szSymbol;
    std::string m_szName;
    std::string m_szDelimiter = ",";
    int m_nDateFormat = 1;
    int m_bReverse = 0;
    int m_bSkipRows = 0;
    int m_nSkipRows = 0;

    // Where a run that passed its checks records what it did; none when null.
    IProfileWriter* m_pProfile = nullptr;
    // Where the job's messages and questions go; when null they are only
    // kept in the result and answered with the default button.
    IMessageSink* m_pSink = nullptr;

    // Set by the stages.
    std::string m_szMasterPath;
    int m_nFieldCount = 0;
    std::array<Bytes4, kFieldSlots> m_fValue{};
    // The file number AddSecurity gave the new security.
    int m_nFileNumber = 0;

    // The output directory as a path to open files in: the root directory
    // is kept as "" in m_szPathOut (as a drive root loses its separator).
    std::string DatabaseDirectory() const { return m_szPathOut.empty() ? "/" : m_szPathOut; }

  private:
    int RunStages();
    // Opens F<n>.NEW with the data file's whole records so far (the header
    // alone in a new security); 0 or 1 after showing the failure.
    int StartNewDataFile(std::uint8_t fileNumber);
    // Closes and removes F<n>.NEW; the data file stays as it was.
    void DiscardNewDataFile();
    // Writes the records AppendPriceRecord gathered; false on an error.
    bool WritePendingRecords();

    JobResult m_result;
    // Set once AddSecurity has written anything, so a failure after it is
    // told apart from a refusal.
    bool m_bWritten = false;
    // The data file's copy that the stage writes to, open for the stage.
    File m_dataFile;
    std::string m_strDataPath;
    std::string m_strNewDataPath;
    // The data file's header record and the records not yet written.
    std::vector<std::uint8_t> m_header;
    std::vector<std::uint8_t> m_records;
    std::size_t m_recordBytes = 0;
};

}  // namespace torvan
