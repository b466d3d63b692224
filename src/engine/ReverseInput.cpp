#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/Converter.h"
#include "engine/InputText.h"
#include "platform/MessageBox.h"

namespace torvan {
namespace {

constexpr std::size_t kBlock = 1 << 16;

// Length of a line as read in text mode: a CR LF or LF end counts as one.
std::size_t TextLength(const std::string& line) {
    if (line.empty() || line.back() != '\n') {
        return line.size();
    }
    const bool crlf = line.size() >= 2 && line[line.size() - 2] == '\r';
    return line.size() - (crlf ? 1 : 0);
}

std::string LineEndOf(const std::string& line) {
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
        return "\r\n";
    }
    return "\n";
}

// Writes the lines of source to target in reverse order. source is read
// backwards in blocks, so memory stays bounded whatever the file's size;
// only a line longer than half a block is copied through a second handle.
// Returns the path of the file that failed, or an empty string.
std::string WriteReversed(const std::string& source, File& target, const std::string& lastLineEnd) {
    File scan;
    File copy;
    if (!scan.Open(source, File::Mode::Read) || !copy.Open(source, File::Mode::Read)) {
        return source;
    }
    const auto size = scan.Size();
    if (!size) {
        return source;
    }
    std::vector<char> block(kBlock);
    std::uint64_t blockStart = 0;  // block holds [blockStart, blockEnd)
    std::uint64_t blockEnd = 0;
    auto load = [&](std::uint64_t end) {
        blockEnd = end;
        blockStart = end >= kBlock ? end - kBlock : 0;
        return scan.Seek(blockStart) &&
               scan.ReadExact(block.data(), static_cast<std::size_t>(blockEnd - blockStart));
    };
    auto emit = [&](std::uint64_t from, std::uint64_t to) -> bool {
        if (from >= blockStart && to <= blockEnd) {
            return target.Write(block.data() + (from - blockStart),
                                static_cast<std::size_t>(to - from));
        }
        std::vector<char> piece(kBlock);
        if (!copy.Seek(from)) {
            return false;
        }
        while (from < to) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, to - from));
            if (!copy.ReadExact(piece.data(), want) || !target.Write(piece.data(), want)) {
                return false;
            }
            from += want;
        }
        return true;
    };

    // Whichever file failed last is the one to name: reads set the scan or
    // copy handle's flag, writes the target's.
    auto failed = [&]() { return target.Failed() ? target.Path() : source; };
    std::uint64_t end = *size;
    if (end == 0) {
        return {};
    }
    if (!load(end)) {
        return source;
    }
    // Only the file's last line can lack a line end.
    const bool lastHasEnd = block[static_cast<std::size_t>(end - 1 - blockStart)] == '\n';
    bool first = true;
    while (end > 0) {
        // The line ending at end starts after the nearest line feed before
        // its own last character.
        std::uint64_t searchEnd = end - 1;
        std::uint64_t start = 0;
        while (searchEnd > 0) {
            if (searchEnd <= blockStart || searchEnd > blockEnd) {
                // Keep the whole line in the block when it is short enough.
                const std::uint64_t newEnd = end - searchEnd < kBlock / 2 ? end : searchEnd;
                if (!load(newEnd)) {
                    return failed();
                }
            }
            const auto offset = static_cast<std::size_t>(searchEnd - blockStart);
            const void* hit = ::memrchr(block.data(), '\n', offset);
            if (hit != nullptr) {
                start = blockStart +
                        static_cast<std::uint64_t>(static_cast<const char*>(hit) - block.data()) +
                        1;
                break;
            }
            searchEnd = blockStart;
        }
        if (!emit(start, end)) {
            return failed();
        }
        if (first && !lastHasEnd && !target.Write(lastLineEnd)) {
            return failed();
        }
        first = false;
        end = start;
    }
    return scan.Failed() || copy.Failed() ? source : std::string();
}

}  // namespace

int CConverter::ReverseInput() {
    const std::string directory = DatabaseDirectory();
    const std::string cleanPath = JoinPath(directory, "~CLEAN.TXT");
    const std::string reversePath = JoinPath(directory, "~REVERSE.TXT");
    const std::string tempPath = JoinPath(directory, "~TEMP.TXT");

    // The input is about to be rewritten: without its backup, stop.
    if (!CopyFileReplace(m_strInputPath, m_strInputPath + ".BAK")) {
        return Fail("CannotBackUpInputFile", {m_strInputPath},
                    "Cannot make the backup copy of the input file:\n" + m_strInputPath + ".BAK");
    }
    File clean;
    if (!clean.Open(cleanPath, File::Mode::Write)) {
        return Fail("CannotCreateTemporaryFile", {cleanPath},
                    "Cannot create the temporary file:\n" + cleanPath);
    }
    File input;
    if (!input.Open(m_strInputPath, File::Mode::Read)) {
        clean.Close();
        return Fail("CannotOpenInputFile", {m_strInputPath},
                    "Cannot open the input file:\n" + m_strInputPath);
    }
    std::string line;
    std::string fileLineEnd;
    // A byte-order mark belongs at the start of the file, not to whichever
    // line ends up last.
    bool bom = false;
    bool firstLine = true;
    bool utf16 = false;
    auto readLine = [&]() {
        if (!input.ReadLine(line)) {
            return false;
        }
        if (firstLine) {
            firstLine = false;
            utf16 = StartsUtf16(line);
            bom = StripUtf8Bom(line);
        }
        return !utf16;
    };
    if (m_bSkipRows == 1) {
        for (int i = 0; i < m_nSkipRows && readLine(); ++i) {
            if (fileLineEnd.empty() && !line.empty() && line.back() == '\n') {
                fileLineEnd = LineEndOf(line);
            }
        }
    }
    std::size_t kept = 0;
    bool ok = true;
    while (ok && readLine()) {
        if (fileLineEnd.empty() && !line.empty() && line.back() == '\n') {
            fileLineEnd = LineEndOf(line);
        }
        if (TextLength(line) > 1) {
            ok = clean.Write(line);
            ++kept;
        }
    }
    const bool readOk = !input.Failed();
    ok = ok && clean.Flush(false);
    ok = clean.Close() && ok;
    input.Close();
    if (utf16) {
        return Fail("Utf16Input", {m_strInputPath}, Utf16Message(m_strInputPath));
    }
    if (!readOk) {
        return Fail("CannotReadInputFile", {m_strInputPath},
                    "Cannot read the input file:\n" + m_strInputPath);
    }
    if (!ok) {
        return Fail("CannotWriteTemporaryFile", {cleanPath},
                    "Cannot write the temporary file (is the disk full?):\n" + cleanPath);
    }
    if (kept == 0) {
        return 1;  // nothing but skipped rows and empty lines: no message of its own
    }
    if (fileLineEnd.empty()) {
        fileLineEnd = "\r\n";
    }

    File reverse;
    if (!reverse.Open(reversePath, File::Mode::Write) || !reverse.Close()) {
        return Fail("CannotCreateTemporaryFile", {reversePath},
                    "Cannot create the temporary file:\n" + reversePath);
    }
    File temp;
    if (!temp.Open(tempPath, File::Mode::Write)) {
        return Fail("CannotCreateTemporaryFile", {tempPath},
                    "Cannot create the temporary file:\n" + tempPath);
    }
    if (bom && !temp.Write(kUtf8Bom, 3)) {
        return Fail("CannotWriteTemporaryFile", {tempPath},
                    "Cannot write the temporary file (is the disk full?):\n" + tempPath);
    }
    const std::string failedPath = WriteReversed(cleanPath, temp, fileLineEnd);
    if (failedPath == cleanPath) {
        return Fail("CannotReadTemporaryFile", {cleanPath},
                    "Cannot read the temporary file:\n" + cleanPath);
    }
    ok = failedPath.empty() && temp.Flush(true);
    ok = temp.Close() && ok;
    if (!ok) {
        return Fail("CannotWriteTemporaryFile", {tempPath},
                    "Cannot write the temporary file (is the disk full?):\n" + tempPath);
    }
    if (!ReplaceFile(tempPath, reversePath)) {
        return Fail("CannotReplaceTemporaryFile", {reversePath},
                    "Cannot replace the temporary file:\n" + reversePath);
    }

    m_bSkipRows = 0;
    // Moved into place when both live on one file system, copied otherwise;
    // either way the input is replaced in one step.
    if (!ReplaceFile(reversePath, m_strInputPath) &&
        !CopyFileReplace(reversePath, m_strInputPath)) {
        return Fail("CannotReplaceInputFile", {m_strInputPath},
                    "Cannot replace the input file with its reversed lines:\n" + m_strInputPath);
    }
    RemoveFile(reversePath);
    RemoveFile(tempPath);
    RemoveFile(cleanPath);
    return 0;
}

}  // namespace torvan
