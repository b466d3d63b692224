// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Scratch.h"

namespace torvan {

// Encoding of a text file, told by its byte-order mark.
enum class TextEncoding { kBytes, kUtf8Bom, kUtf16Le, kUtf16Be };

// The longest line, with its line end, that is read: many times any price
// line, and room for a heading of hundreds of columns. Anything longer is
// no price file (a binary file, a device), and holding it would take
// memory without bound.
inline constexpr std::size_t kMaxLineBytes = std::size_t{64} * 1024;

// Why a text file could not be read to its end.
enum class ReadProblem {
    kNone,
    kCannotOpen,
    kNotAFile,  // a device, pipe or socket: it may never end
    kReadFailed,
    kLineTooLong,  // longer than kMaxLineBytes
};

// The one way the core reads a text file line by line, whatever it was saved
// as: a UTF-8 byte-order mark is passed over, and UTF-16 text (with its mark,
// as spreadsheet programs save "Unicode text") is decoded to UTF-8 as it is
// read, so callers see the same lines whatever the encoding. A line ends at
// a line feed (with the carriage returns right before it), or at a carriage
// return that no line feed follows, as in classic Mac files. The file is
// read in large blocks: a file of any size costs a few dozen system calls
// and no allocation per line. A line longer than the limit ends the
// reading (Problem() tells), so the memory held stays small whatever the
// file holds; only regular files are opened.
class TextReader {
  public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 18;

    // blockSize is the first buffer size and the most read at once (at
    // least 4); small ones are for tests.
    explicit TextReader(std::size_t blockSize = kBlockSize, std::size_t maxLine = kMaxLineBytes);

    // False when the file cannot be opened or is no regular file.
    bool Open(const std::string& path);
    // The next line with its line end ("\n" with any carriage returns
    // before it, or a lone "\r") as stored; the last line of a file may have
    // none. The view is valid until the next call. False at the end of the
    // file or when the reading failed (Failed() tells which).
    bool Next(std::string_view& line);
    // The same as a string of its own.
    bool ReadLine(std::string& line);
    void Close() { m_file.Close(); }
    bool Failed() const { return m_problem != ReadProblem::kNone || m_file.Failed(); }
    ReadProblem Problem() const;
    // Lines read so far; after kLineTooLong the number of that line.
    long LineNumber() const { return m_lineNumber; }
    TextEncoding Encoding() const { return m_encoding; }

  private:
    // Where the line at m_begin ends (one past its line end), or npos when
    // the text read so far does not tell.
    std::size_t LineStop();
    // The first c in [from, limit), or a position not below limit; cached
    // keeps how far the text is known to hold no c.
    std::size_t Find(std::size_t& cached, std::size_t from, char c, std::size_t limit) const;
    bool Take(std::size_t stop, std::string_view& line);
    // Moves the unread text to the front, grows the buffer when that text
    // fills it, and reads (or decodes) what fits behind it. False at the
    // end or on an error.
    bool Refill();
    // Decodes the UTF-16 bytes read so far into the buffer, behind the
    // unread text; with atEnd the last ones too (an odd byte is dropped).
    void DecodeUtf16(bool atEnd);

    File m_file;
    TextEncoding m_encoding = TextEncoding::kBytes;
    ScratchBlock m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_maxLine = kMaxLineBytes;
    std::size_t m_begin = 0;      // start of the unread text
    std::size_t m_feedAt = 0;     // no line feed in [m_begin, m_feedAt) but there
    std::size_t m_returnAt = 0;   // no carriage return in [m_begin, m_returnAt) but there
    std::size_t m_loneUntil = 0;  // carriage returns before this end a line each
    std::size_t m_end = 0;        // end of the text read so far
    bool m_atEnd = false;
    ReadProblem m_problem = ReadProblem::kNone;
    long m_lineNumber = 0;
    // UTF-16 bytes read and not decoded yet: the raw block and its fill.
    std::unique_ptr<unsigned char[]> m_raw;
    std::size_t m_rawCapacity = 0;
    std::size_t m_rawSize = 0;
};

// True when the file at path starts with a UTF-16 byte-order mark.
bool StartsWithUtf16Mark(const std::string& path);

}  // namespace torvan
