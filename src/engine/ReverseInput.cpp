// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Converter.h"
#include "engine/InputText.h"
#include "engine/PriceLine.h"
#include "engine/TextReader.h"
#include "platform/BlockWriter.h"
#include "platform/Text.h"

namespace torvan {

enum class Reversal { kDone, kEmpty, kReadFailed, kLineTooLong, kWriteFailed };

namespace {

// Reads and writes go in blocks of this size: few system calls, and memory
// that does not grow with the file.
constexpr std::size_t kBlock = 1 << 18;

Reversal ReadingFailed(const TextReader& reader) {
    return reader.Problem() == ReadProblem::kLineTooLong ? Reversal::kLineTooLong
                                                         : Reversal::kReadFailed;
}

// The number of the first line of path longer than kMaxLineBytes, counted
// as the conversion counts them; 0 when there is none.
long FirstTooLongLine(const std::string& path) {
    TextReader reader;
    std::string_view line;
    const bool opened = reader.Open(path);
    while (opened && reader.Next(line)) {
    }
    return reader.Problem() == ReadProblem::kLineTooLong ? reader.LineNumber() : 0;
}

// Tells whether a line (its end removed) counts towards the footer.
using FooterLine = std::function<bool(std::string_view)>;

// Writes the lines of input that follow the rows to skip to out, last line
// first, in one pass backwards over the file. Lines of length 1 or less (a
// CR LF end counting as one) are dropped, and so is the footer: the last
// footer lines that count, with the lines that do not count among and before
// them up to the next one that does. A UTF-8 byte-order mark stays at the
// start (or is put there with bom); a last line without an end gets the
// file's own line end. Lines end as TextReader ends them, and a line longer
// than it reads is refused.
class LineReverser {
  public:
    LineReverser(File& input, File& out, std::size_t footer, FooterLine counts, bool bom)
        : m_input(input),
          m_writer(out),
          m_block(kBlock),
          m_footer(footer),
          m_inFooter(footer > 0),
          m_counts(std::move(counts)),
          m_bom(bom) {}

    Reversal Run(int skipRows) {
        Reversal result = Reverse(skipRows);
        // out is the caller's again only once every block is written.
        if (!m_writer.Finish() && (result == Reversal::kDone || result == Reversal::kEmpty)) {
            result = Reversal::kWriteFailed;
        }
        return result;
    }

  private:
    Reversal Reverse(int skipRows) {
        const auto size = m_input.Size();
        if (!size) {
            return Reversal::kReadFailed;
        }
        m_size = *size;
        char head[3] = {};
        const std::size_t headSize = static_cast<std::size_t>(std::min<std::uint64_t>(3, m_size));
        if (headSize > 0 && (!m_input.Seek(0) || !m_input.ReadExact(head, headSize))) {
            return Reversal::kReadFailed;
        }
        const bool bom = headSize == 3 && std::string_view(head, 3) == kUtf8Bom;
        std::uint64_t floor = bom ? 3 : 0;
        if (const Reversal skipped = SkipLines(floor, skipRows); skipped != Reversal::kDone) {
            return skipped;
        }
        if (bom || m_bom) {
            m_pending.append(kUtf8Bom);
        }
        const Reversal result = ReverseFrom(floor);
        if (result != Reversal::kDone) {
            return result;
        }
        if (m_kept == 0) {
            return Reversal::kEmpty;
        }
        return Emit() ? Reversal::kDone : Reversal::kWriteFailed;
    }

    // Moves floor past skipRows lines; the end of the file on the way is not
    // an error, it only leaves nothing to convert.
    Reversal SkipLines(std::uint64_t& floor, int skipRows) {
        TextReader reader;
        if (skipRows <= 0) {
            return Reversal::kDone;
        }
        if (!reader.Open(m_input.Path())) {
            return Reversal::kReadFailed;
        }
        std::string_view line;
        for (int skipped = 0; skipped < skipRows && reader.Next(line); ++skipped) {
            floor += line.size();
        }
        return reader.Failed() ? ReadingFailed(reader) : Reversal::kDone;
    }

    Reversal ReverseFrom(std::uint64_t floor) {
        std::uint64_t lineEnd = m_size;
        m_blockStart = m_size;
        m_blockEnd = m_size;
        bool last = true;
        while (lineEnd > floor) {
            std::uint64_t start = floor;
            if (const Reversal found = FindLineStart(floor, lineEnd, start);
                found != Reversal::kDone) {
                return found;
            }
            if (!Take(start, std::min(lineEnd, m_blockEnd), last)) {
                return m_takeFailure;
            }
            last = false;
            lineEnd = start;
        }
        return Reversal::kDone;
    }

    // The line ending at lineEnd starts after the nearest line end before
    // its own, or at floor. Its own end is a line feed with the carriage
    // returns before it, a lone carriage return, or none for the last line.
    // Leaves the block that holds start loaded and the line's parts in
    // later blocks kept.
    Reversal FindLineStart(std::uint64_t floor, std::uint64_t lineEnd, std::uint64_t& start) {
        enum class Seen { kNothing, kFeed, kText } seen = Seen::kNothing;
        std::uint64_t searchEnd = lineEnd;
        for (;;) {
            if (searchEnd <= m_blockStart) {
                if (m_blockStart <= floor) {
                    start = floor;
                    break;
                }
                if (lineEnd - m_blockStart > kMaxLineBytes) {
                    return Reversal::kLineTooLong;
                }
                // The line reaches into the block before: keep its part in
                // this block and load that one.
                const std::uint64_t partEnd = std::min(lineEnd, m_blockEnd);
                if (partEnd > m_blockStart) {
                    m_parts.emplace_back(m_block.data(),
                                         static_cast<std::size_t>(partEnd - m_blockStart));
                }
                const std::uint64_t end = m_blockStart;
                const std::uint64_t begin = end - std::min<std::uint64_t>(kBlock, end - floor);
                if (!Load(begin, end)) {
                    return Reversal::kReadFailed;
                }
            }
            std::size_t at = static_cast<std::size_t>(searchEnd - m_blockStart);
            for (; at > 0; --at) {
                const char c = m_block[at - 1];
                const bool ends = c == '\n' || c == '\r';
                if (seen == Seen::kNothing) {
                    seen = c == '\n' ? Seen::kFeed : Seen::kText;
                    if (!ends) {
                        continue;  // the last line, without a line end
                    }
                } else if (seen == Seen::kFeed && c == '\r') {
                    continue;  // part of the line feed's end
                } else if (ends) {
                    break;
                } else {
                    seen = Seen::kText;
                }
            }
            if (at > 0) {
                start = m_blockStart + at;
                break;
            }
            searchEnd = m_blockStart;
        }
        return lineEnd - start > kMaxLineBytes ? Reversal::kLineTooLong : Reversal::kDone;
    }

    // The line made of [start, end) of the block and the parts kept from
    // later blocks; written unless it is too short.
    bool Take(std::uint64_t start, std::uint64_t end, bool last) {
        const std::string_view head(m_block.data() + (start - m_blockStart),
                                    static_cast<std::size_t>(end - start));
        std::size_t length = head.size();
        for (const std::string& part : m_parts) {
            length += part.size();
        }
        std::string whole;  // the line in one piece, made only where needed
        auto assemble = [&]() {
            whole.assign(head);
            for (auto it = m_parts.rbegin(); it != m_parts.rend(); ++it) {
                whole += *it;
            }
        };
        bool keep = length > 2;
        if (length == 2) {
            assemble();
            keep = whole != "\r\n";
        }
        if (keep && m_inFooter) {
            if (whole.empty()) {
                assemble();
            }
            std::string text = whole;
            StripLineEnd(text);
            const bool counts = m_counts(text);
            if (m_dropped < m_footer) {
                keep = false;
                m_dropped += counts ? 1 : 0;
            } else if (!counts) {
                keep = false;
            } else {
                m_inFooter = false;
            }
        }
        if (keep) {
            ++m_kept;
            m_pending.append(head);
            for (auto it = m_parts.rbegin(); it != m_parts.rend(); ++it) {
                m_pending.append(*it);
            }
            if (last && !EndsLine()) {
                std::string lineEnd;
                if (!FileLineEnd(lineEnd)) {
                    return false;
                }
                m_pending.append(lineEnd);
            }
        }
        m_parts.clear();
        return m_pending.size() < kBlock || Emit();
    }

    bool EndsLine() const {
        return !m_pending.empty() && (m_pending.back() == '\n' || m_pending.back() == '\r');
    }

    // The line end of the file's first line that has one; CR LF when none has.
    bool FileLineEnd(std::string& lineEnd) {
        TextReader reader;
        std::string_view line;
        if (!reader.Open(m_input.Path()) || !reader.Next(line)) {
            lineEnd = "\r\n";
            if (reader.Failed()) {
                m_takeFailure = ReadingFailed(reader);
                return false;
            }
            return true;
        }
        const std::string_view text = WithoutLineEnd(line);
        lineEnd = line.substr(text.size());
        if (lineEnd.empty() || lineEnd.starts_with("\r\r")) {
            // Only the last line has no end; doubled carriage returns are
            // not passed on.
            lineEnd = "\r\n";
        }
        return true;
    }

    bool Load(std::uint64_t begin, std::uint64_t end) {
        m_blockStart = begin;
        m_blockEnd = end;
        return m_input.Seek(begin) &&
               m_input.ReadExact(m_block.data(), static_cast<std::size_t>(end - begin));
    }

    bool Emit() {
        // Written, and started to disk.
        const bool ok = m_writer.Write(m_pending);
        m_pending.clear();
        return ok;
    }

    File& m_input;
    BlockWriter m_writer;
    std::vector<char> m_block;
    std::uint64_t m_size = 0;
    std::uint64_t m_blockStart = 0;  // m_block holds [m_blockStart, m_blockEnd)
    std::uint64_t m_blockEnd = 0;
    std::vector<std::string> m_parts;  // of a line longer than a block, last part first
    std::string m_pending;             // output not yet written
    std::size_t m_kept = 0;
    std::size_t m_footer = 0;
    bool m_inFooter = false;  // still dropping footer lines
    std::size_t m_dropped = 0;
    FooterLine m_counts;
    bool m_bom = false;
    Reversal m_takeFailure = Reversal::kWriteFailed;  // why Take failed
};

// Writes the lines of UTF-16 text to out as UTF-8, line ends kept.
Reversal DecodeUtf16(const std::string& path, File& out) {
    TextReader reader;
    if (!reader.Open(path)) {
        return Reversal::kReadFailed;
    }
    std::string pending;
    std::string line;
    while (reader.ReadLine(line)) {
        pending += line;
        if (pending.size() >= kBlock) {
            if (!out.Write(pending)) {
                return Reversal::kWriteFailed;
            }
            pending.clear();
        }
    }
    if (reader.Failed()) {
        return ReadingFailed(reader);
    }
    return out.Write(pending) ? Reversal::kDone : Reversal::kWriteFailed;
}

}  // namespace

int CConverter::ReverseInput() {
    // A link's target is what gets rewritten: the link keeps pointing at it.
    const std::string source = ResolvedPath(m_strInputPath);
    const std::string work = source + ".~NU";
    const std::string backup = m_strInputPath + ".BAK";
    const std::string backupWork = backup + ".~NU";
    if (const int refused = CheckInputReplaceable(); refused != 0) {
        return refused;
    }

    // Inside a run the reversed file takes the input's place with the rest
    // of the run at Commit; alone, the stage puts it in place itself.
    std::unique_ptr<FileTransaction> own;
    FileTransaction* transaction = m_transaction.get();
    if (transaction == nullptr) {
        own = std::make_unique<FileTransaction>(ParentDirectory(source));
        transaction = own.get();
        if (const int status = GuardInput(*own); status != 0) {
            return status;
        }
    }
    const FileStamp seen = StampOf(source);
    transaction->PlanReplace(backupWork, backup);
    transaction->PlanReplace(work, source, seen);
    if (!transaction->Track({})) {
        return Fail(MessageId::kCannotWriteJournal, {transaction->FailedPath()});
    }

    // UTF-16 text is read backwards as UTF-8: decoded into a work file of
    // its own first, and written back as UTF-8 with its byte-order mark.
    std::string reversed = source;
    const bool utf16 = StartsWithUtf16Mark(source);
    if (utf16) {
        reversed = source + ".~U8";
        if (const int status = DecodeUtf16Input(*transaction, source, reversed); status != 0) {
            return status;
        }
    }
    if (const int status = WriteReversedLines(source, reversed, work, utf16); status != 0) {
        return status;
    }
    // The backup is the input as it is: a second name for the same file
    // where the file system allows, so nothing is copied.
    if (!LinkOrCopyFile(source, backupWork)) {
        return Fail(MessageId::kCannotBackUpInputFile, {backup});
    }
    if (utf16) {
        RemoveFile(reversed);  // or with the other leftovers, at the end
    }
    // The rows to skip and the footer are gone from the reversed file.
    m_bSkipRows = 0;
    m_nFooterRows = 0;
    if (own) {
        return CommitReversedInput(*own);
    }
    m_strReadPath = work;
    return 0;
}

int CConverter::ReversalFailed(Reversal result, const std::string& written) {
    if (result == Reversal::kLineTooLong) {
        return Fail(MessageId::kLineTooLong, {std::to_string(FirstTooLongLine(m_strInputPath)),
                                              m_strInputPath, std::to_string(kMaxLineBytes)});
    }
    if (result == Reversal::kReadFailed) {
        return Fail(MessageId::kCannotReadInputFile, {m_strInputPath});
    }
    return Fail(MessageId::kCannotWriteTemporaryFile, {written});
}

int CConverter::DecodeUtf16Input(FileTransaction& transaction, const std::string& source,
                                 const std::string& reversed) {
    if (!transaction.Track({reversed})) {
        return Fail(MessageId::kCannotWriteJournal, {transaction.FailedPath()});
    }
    File decoded;
    if (!decoded.Open(reversed, File::Mode::Write)) {
        return Fail(MessageId::kCannotCreateTemporaryFile, {reversed});
    }
    if (!CopyPermissions(source, decoded)) {
        return Fail(MessageId::kCannotKeepInputPermissions, {reversed});
    }
    const Reversal result = DecodeUtf16(source, decoded);
    bool ok = result == Reversal::kDone && decoded.Flush(false);
    ok = decoded.Close() && ok;
    if (!ok) {
        return ReversalFailed(result, reversed);
    }
    return 0;
}

int CConverter::WriteReversedLines(const std::string& source, const std::string& reversed,
                                   const std::string& work, bool utf16) {
    File input;
    if (!input.Open(reversed, File::Mode::Read)) {
        return Fail(MessageId::kCannotOpenInputFile, {m_strInputPath});
    }
    File out;
    if (!out.Open(work, File::Mode::Write)) {
        return Fail(MessageId::kCannotCreateTemporaryFile, {work});
    }
    // Before anything is written: the reversed file gets the input's
    // permissions (and group), never wider ones.
    if (!CopyPermissions(source, out)) {
        return Fail(MessageId::kCannotKeepInputPermissions, {work});
    }
    const int skipRows = m_bSkipRows == 1 ? m_nSkipRows : 0;
    // Footer lines go with the header; a line counts towards them as it
    // counts for the conversion.
    const LineLayout layout = Layout();
    const auto footer = static_cast<std::size_t>(std::max(0, m_nFooterRows));
    LineReverser reverser(
        input, out, footer,
        [&layout](std::string_view text) {
            return ReadPriceLine(text, layout).kind != LineKind::kEmpty;
        },
        utf16);
    switch (const Reversal result = reverser.Run(skipRows)) {
        case Reversal::kDone:
            break;
        case Reversal::kEmpty:
            return 1;  // nothing but skipped rows and empty lines: no message of its own
        case Reversal::kReadFailed:
        case Reversal::kLineTooLong:
        case Reversal::kWriteFailed:
            return ReversalFailed(result, work);
    }
    // On to disk while the records are read (inside a run; alone, the
    // commit below waits for it).
    const std::uint64_t bytes = out.Tell().value_or(0);
    bool ok = out.Flush(false);
    ok = out.Close() && ok && SyncInBackground(work, bytes);
    if (!ok) {
        return Fail(MessageId::kCannotWriteTemporaryFile, {work});
    }
    input.Close();
    return 0;
}

int CConverter::CommitReversedInput(FileTransaction& own) {
    if (!WorkFilesOnDisk()) {
        return Fail(MessageId::kCannotWriteTemporaryFile, {m_syncFailedPath});
    }
    if (!own.Commit()) {
        return Fail(MessageId::kCannotReplaceInputFile, {own.FailedPath()});
    }
    return 0;
}

}  // namespace torvan
