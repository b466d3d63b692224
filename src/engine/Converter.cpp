#include "engine/Converter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "database/Dates.h"
#include "database/Master.h"
#include "platform/Clock.h"
#include "platform/DirectoryLock.h"

namespace torvan {
namespace {

constexpr const char* kPathDoesNotExist = "Path does not exist";
constexpr const char* kNoMasterFile = "Path specified does not point to a Master file";
constexpr const char* kMasterExists = "New Master chosen but one already exists";
constexpr const char* kMoreColumns = "You need to select more columns";
constexpr const char* kDuplicateSymbol =
    "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already "
    "exists.\n\nChoose a different symbol or\nrename/delete the existing symbol";
constexpr const char* kPortfolioFull =
    "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or "
    "new portfolio.";

std::string Truncated(const std::string& text, std::size_t limit) {
    std::string result = text.substr(0, text.find('\0'));
    if (result.size() > limit) {
        result.resize(limit);
    }
    return result;
}

}  // namespace

int CConverter::Say(std::string id, std::vector<std::string> params, std::string text,
                    unsigned type) {
    Message message{std::move(id), std::move(params), std::move(text), type};
    const int answer = m_pSink != nullptr ? m_pSink->Show(message) : DefaultAnswer(type);
    m_result.messages.push_back(std::move(message));
    return answer;
}

int CConverter::Fail(std::string id, std::vector<std::string> params, std::string text) {
    Say(std::move(id), std::move(params), std::move(text), kMbOk | kMbIconExclamation);
    return 1;
}

int CConverter::Run() {
    m_result = JobResult{};
    m_bWritten = false;
    const int status = RunStages();
    m_result.databaseDirectory = DatabaseDirectory();
    if (status != 0) {
        m_result.outcome = m_bWritten ? Outcome::kFailed : Outcome::kRefused;
        m_result.fileNumber = 0;
    } else {
        m_result.fileNumber = m_nFileNumber;
        const bool warned = m_result.linesWithoutDate > 0 || m_result.linesWithoutPrice > 0 ||
                            m_result.linesMissingColumns > 0;
        m_result.outcome = warned ? Outcome::kConvertedWithWarnings : Outcome::kConverted;
    }
    return status;
}

int CConverter::RunStages() {
    // The job's text fields are fixed 16-character fields in MASTER.
    m_szSymbol = Truncated(m_szSymbol, 16);
    m_szName = Truncated(m_szName, 16);

    // Two conversions into one directory would both read MASTER with N
    // entries and both write N+1: one security would be lost.
    DirectoryLock lock;
    if (IsDirectory(m_szPathOut) && lock.TryLock(m_szPathOut) == DirectoryLock::Result::Busy) {
        return Fail("DatabaseBusy", {m_szPathOut},
                    "Another conversion is writing to this database:\n" + m_szPathOut +
                        "\nTry again when it has finished.");
    }

    int status = CheckOutputDirectory();
    if (status != 0) {
        return status;
    }
    status = CheckColumnCount();
    if (status != 0) {
        return status;
    }
    status = CheckDuplicateSymbol();
    if (status != 0) {
        return status;
    }
    status = AddSecurity();
    if (status != 0) {
        return status;
    }
    RecordInProfile();
    if (m_bExistingMaster == 1) {
        // A failed backup does not stop the run.
        CopyFileReplace(m_szMasterPath, m_szMasterPath + ".BAK");
    }
    if (m_bReverse == 1) {
        status = ReverseInput();
    }
    if (status == 0) {
        status = ConvertRecords();
    }
    return status;
}

void CConverter::RecordInProfile() {
    if (m_pProfile == nullptr) {
        return;
    }
    m_pProfile->WriteString("Import", "PathIn", m_strInputPath);
    // The root is kept as "" in m_szPathOut, which would read back as "no path".
    m_pProfile->WriteString("Import", "PathOut", DatabaseDirectory());
    m_pProfile->WriteString("Import", "Symbol", m_szSymbol);
    m_pProfile->WriteString("Import", "Name", m_szName);
}

int CConverter::CheckOutputDirectory() {
    if (m_szPathOut.empty() || !IsDirectory(m_szPathOut)) {
        Say("PathDoesNotExist", {}, kPathDoesNotExist);
        return 1;
    }
    std::string absolute = AbsoluteDirectory(m_szPathOut);
    if (absolute.empty()) {
        Say("PathDoesNotExist", {}, kPathDoesNotExist);
        return 1;
    }
    // The root loses its separator too, as a drive root does: "/" + "MASTER".
    while (!absolute.empty() && absolute.back() == '/') {
        absolute.pop_back();
    }
    if (absolute.size() > kMaxOutputDirectory) {
        return Fail(
            "OutputPathTooLong",
            {std::to_string(absolute.size()), std::to_string(kMaxOutputDirectory), absolute},
            "The output directory path is too long (" + std::to_string(absolute.size()) +
                " characters; at most " + std::to_string(kMaxOutputDirectory) + " are allowed):\n" +
                absolute);
    }
    m_szPathOut = absolute;
    const std::string directory = DatabaseDirectory();
    auto existing = FindFileNoCase(directory, "MASTER");
    m_szMasterPath = existing ? *existing : m_szPathOut + "/MASTER";

    if (m_bExistingMaster == 1) {
        File master;
        if (existing && master.Open(*existing, File::Mode::Read)) {
            return 0;
        }
        Say("NoMasterFile", {}, kNoMasterFile);
        return 1;
    }
    if (existing) {
        Say("MasterExists", {}, kMasterExists);
        return 1;
    }
    const MasterBytes empty{};
    if (!WriteFileAtomically(
            m_szMasterPath,
            std::string(reinterpret_cast<const char*>(empty.data()), empty.size()))) {
        return Fail("CannotCreateNewMasterFile", {m_szMasterPath},
                    "Cannot create the new Master file:\n" + m_szMasterPath);
    }
    m_bWritten = true;
    return 0;
}

int CConverter::CheckColumnCount() {
    m_nFieldCount = static_cast<int>(
        std::count_if(m_bFieldOn.begin(), m_bFieldOn.end(), [](int on) { return on != 0; }));
    if (m_nFieldCount <= 1) {
        Say("MoreColumnsNeeded", {}, kMoreColumns, kMbOk | kMbIconInformation);
        return 1;
    }
    // Column numbers come from the creator unchecked; one outside the line's
    // 20 columns would read past them.
    for (int slot = 0; slot < kFieldSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        if (m_bFieldOn[s] != 0 && (m_nFieldCol[s] < 0 || m_nFieldCol[s] >= kMaxColumns)) {
            return Fail("ColumnOutOfRange", {kFieldLabels[s], std::to_string(kMaxColumns)},
                        "The column of the " + std::string(kFieldLabels[s]) +
                            " field must be between 1 and " + std::to_string(kMaxColumns) + ".");
        }
    }
    return 0;
}

int CConverter::CheckDuplicateSymbol() {
    if (m_bExistingMaster == 0) {
        return 0;
    }
    MasterRecord found;
    SecurityLocation where;
    if (FindSecurity(DatabaseDirectory(), m_szSymbol, found, &where) == kFound) {
        Say("DuplicateSymbol", {}, kDuplicateSymbol);
        return 1;
    }
    // A MASTER that could not be read might hold the symbol: adding it
    // anyway could make a duplicate.
    if (where.ReadError()) {
        return Fail("CannotCheckSymbol", {where.unreadableMaster},
                    "Cannot read the Master file, so the symbol could not be checked:\n" +
                        where.unreadableMaster);
    }
    return 0;
}

int CConverter::AddSecurity() {
    const std::string tempPath = m_szMasterPath + ".~NU";
    File master;
    std::uint8_t bytes[kMasterRecordSize];
    if (!master.Open(m_szMasterPath, File::Mode::Read)) {
        return Fail("CannotOpenMasterFile", {m_szMasterPath},
                    "Cannot open the Master file:\n" + m_szMasterPath);
    }
    if (!master.ReadExact(bytes, sizeof bytes)) {
        return Fail("CannotReadMasterFile", {m_szMasterPath},
                    "Cannot read the Master file:\n" + m_szMasterPath);
    }
    MasterHeader header = MasterHeader::Unpack(bytes);
    if (header.entryCount >= kMaxSecurities || header.fileCounter >= kMaxSecurities) {
        Say("PortfolioFull", {}, kPortfolioFull);
        return 1;
    }

    // Everything of the new MASTER is gathered before anything is written.
    header.entryCount = static_cast<std::uint16_t>(header.entryCount + 1);
    header.fileCounter = static_cast<std::uint16_t>(header.fileCounter + 1);
    std::vector<std::uint8_t> content;
    const MasterBytes packedHeader = header.Pack();
    content.insert(content.end(), packedHeader.begin(), packedHeader.end());
    std::array<bool, 256> used{};
    used[0] = true;
    while (master.ReadExact(bytes, sizeof bytes)) {
        used[bytes[0]] = true;
        content.insert(content.end(), bytes, bytes + sizeof bytes);
    }
    if (master.Failed()) {
        return Fail("CannotReadMasterFile", {m_szMasterPath},
                    "Cannot read the Master file:\n" + m_szMasterPath);
    }
    master.Close();

    auto freeNumber = std::find(used.begin(), used.end(), false);
    if (freeNumber == used.end()) {
        Say("PortfolioFull", {}, kPortfolioFull);
        return 1;
    }
    const int fileNumber = static_cast<int>(freeNumber - used.begin());

    MasterRecord record;
    record.fileNumber = static_cast<std::uint8_t>(fileNumber);
    // File type 101, little-endian like every integer of the format.
    record.fileType = {0x65, 0x00};
    record.recordLength = static_cast<std::uint8_t>(4 * m_nFieldCount);
    record.fieldCount = static_cast<std::uint8_t>(m_nFieldCount);
    record.name = PadField(m_szName);
    const LocalDate today = Today();
    char todayText[32];
    std::snprintf(todayText, sizeof todayText, "%02d/%02d/%02d", today.month % 100, today.day % 100,
                  today.year % 100);
    const Bytes4 todayStored = DayNumberToStoredDate(ParseDateText(todayText, kMM_DD_YY));
    record.firstDate = todayStored;
    record.lastDate = todayStored;
    record.period = 'D';
    record.symbol = PadField(m_szSymbol);
    const MasterBytes packedRecord = record.Pack();
    content.insert(content.end(), packedRecord.begin(), packedRecord.end());

    File temp;
    if (!temp.Open(tempPath, File::Mode::Write)) {
        return Fail("CannotCreateTemporaryFile", {tempPath},
                    "Cannot create the temporary file:\n" + tempPath);
    }
    bool written = temp.Write(content.data(), content.size()) && temp.Flush(true);
    written = temp.Close() && written;
    if (!written) {
        RemoveFile(tempPath);
        return Fail("CannotWriteTemporaryFile", {tempPath},
                    "Cannot write the temporary file (is the disk full?):\n" + tempPath);
    }

    // The security's files come first, so that MASTER never lists a
    // security whose files could not be made.
    const std::string directory = DatabaseDirectory();
    const std::string failed =
        CreateSecurityFiles(directory, fileNumber, m_bFieldOn, m_nFieldCount);
    if (!failed.empty()) {
        RemoveFile(tempPath);
        return Fail("CannotCreateFile", {failed}, "Cannot create the file:\n" + failed);
    }
    if (!ReplaceFile(tempPath, m_szMasterPath)) {
        RemoveFile(tempPath);
        RemoveFile(ExistingDataFilePath(directory, fileNumber));
        const auto description =
            FindFileNoCase(directory, "F" + std::to_string(fileNumber) + ".DOP");
        RemoveFile(description ? *description : DescriptionFilePath(directory, fileNumber));
        return Fail("CannotReplaceMasterFile", {m_szMasterPath},
                    "Cannot replace the Master file:\n" + m_szMasterPath);
    }
    m_nFileNumber = fileNumber;
    m_bWritten = true;
    return 0;
}

}  // namespace torvan
