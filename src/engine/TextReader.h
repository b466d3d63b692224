#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace torvan {

// Encoding of a text file, told by its byte-order mark.
enum class TextEncoding { kBytes, kUtf8Bom, kUtf16Le, kUtf16Be };

// Reads a text file line by line as UTF-8 or plain bytes, whatever it was
// saved as: a UTF-8 byte-order mark is passed over, and UTF-16 text (with its
// mark, as spreadsheet programs save "Unicode text") is decoded to UTF-8.
// Lines come with their line end ("\n" or "\r\n") as ReadLine of File gives
// them, so callers see the same lines whatever the encoding.
class TextReader {
  public:
    bool Open(const std::string& path);
    // False at the end or on an error (Failed() tells which).
    bool ReadLine(std::string& line);
    void Close() { m_file.Close(); }
    bool Failed() const { return m_file.Failed(); }
    TextEncoding Encoding() const { return m_encoding; }

  private:
    bool ReadUtf16Line(std::string& line);
    // The next UTF-16 code unit; false at the end.
    bool NextUnit(std::uint16_t& unit);

    File m_file;
    TextEncoding m_encoding = TextEncoding::kBytes;
    bool m_first = true;
    std::vector<unsigned char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
};

// True when the file at path starts with a UTF-16 byte-order mark.
bool StartsWithUtf16Mark(const std::string& path);

// Encodes a Unicode code point as UTF-8 at the end of out.
void AppendUtf8(std::uint32_t codePoint, std::string& out);

}  // namespace torvan
