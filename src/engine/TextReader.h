// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace torvan {

// Encoding of a text file, told by its byte-order mark.
enum class TextEncoding { kBytes, kUtf8Bom, kUtf16Le, kUtf16Be };

// The one way the core reads a text file line by line, whatever it was saved
// as: a UTF-8 byte-order mark is passed over, and UTF-16 text (with its mark,
// as spreadsheet programs save "Unicode text") is decoded to UTF-8 as it is
// read, so callers see the same lines whatever the encoding. The file is
// read in large blocks: a file of any size costs a few dozen system calls
// and no allocation per line. Lines may be of any length; the buffer grows
// to the longest.
class TextReader {
  public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 18;

    // blockSize is the first buffer size and the most read at once (at
    // least 4); small ones are for tests.
    explicit TextReader(std::size_t blockSize = kBlockSize);

    bool Open(const std::string& path);
    // The next line with its line end ("\n", with any carriage returns
    // before it) as stored; the last line of a file may have none. The view
    // is valid until the next call. False at the end of the file or when a
    // read failed (Failed() tells which).
    bool Next(std::string_view& line);
    // The same as a string of its own.
    bool ReadLine(std::string& line);
    void Close() { m_file.Close(); }
    bool Failed() const { return m_file.Failed(); }
    TextEncoding Encoding() const { return m_encoding; }

  private:
    // Moves the unread text to the front, grows the buffer when that text
    // fills it, and reads (or decodes) what fits behind it. False at the
    // end or on an error.
    bool Refill();
    // Decodes the UTF-16 bytes read so far into the buffer, behind the
    // unread text; with atEnd the last ones too (an odd byte is dropped).
    void DecodeUtf16(bool atEnd);

    File m_file;
    TextEncoding m_encoding = TextEncoding::kBytes;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_begin = 0;    // start of the unread text
    std::size_t m_scanned = 0;  // unread text known to hold no line feed
    std::size_t m_end = 0;      // end of the text read so far
    bool m_atEnd = false;
    // UTF-16 bytes read and not decoded yet: the raw block and its fill.
    std::unique_ptr<unsigned char[]> m_raw;
    std::size_t m_rawCapacity = 0;
    std::size_t m_rawSize = 0;
};

// True when the file at path starts with a UTF-16 byte-order mark.
bool StartsWithUtf16Mark(const std::string& path);

}  // namespace torvan
