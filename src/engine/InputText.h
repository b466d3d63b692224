#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace torvan {

inline constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// Removes a UTF-8 byte-order mark from the start of line; true if it had one.
inline bool StripUtf8Bom(std::string& line) {
    if (line.compare(0, 3, kUtf8Bom) == 0) {
        line.erase(0, 3);
        return true;
    }
    return false;
}

inline bool StripUtf8Bom(std::string_view& line) {
    if (line.substr(0, 3) == kUtf8Bom) {
        line.remove_prefix(3);
        return true;
    }
    return false;
}

// True when a file's first line starts with a UTF-16 byte-order mark: such
// text has a NUL byte in every other place and cannot be read as bytes.
inline bool StartsUtf16(std::string_view firstLine) {
    return firstLine.size() >= 2 && ((firstLine[0] == '\xFF' && firstLine[1] == '\xFE') ||
                                     (firstLine[0] == '\xFE' && firstLine[1] == '\xFF'));
}

// The line without its line end: the line feed and every carriage return
// before it, or carriage returns that end a last line without a line feed.
inline std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    while (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// Hands out the lines of a file opened for reading, read in large blocks:
// a text file of any size costs a few dozen system calls and no allocation
// per line. Lines may be of any length; the buffer grows to the longest.
class LineReader {
  public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 18;

    // blockSize is the first buffer size and the most read at once; small
    // ones are for tests.
    explicit LineReader(File& file, std::size_t blockSize = kBlockSize);

    // The next line with its line end ("\n", with any carriage returns
    // before it) as stored; the last line of a file may have none. The view
    // is valid until the next call. False at the end of the file or when a
    // read failed (the file's Failed() tells which).
    bool Next(std::string_view& line);
    // Every whole line that the buffer holds, in one piece, or the last
    // line of the file when it has no line end. The same rules as Next.
    bool NextLines(std::string_view& lines);

  private:
    // Next (one line) or NextLines (all whole lines there are).
    bool Take(std::string_view& text, bool allLines);
    bool Refill();

    File& m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_begin = 0;    // start of the unread text
    std::size_t m_scanned = 0;  // unread text known to hold no line feed
    std::size_t m_end = 0;      // end of the text read so far
    bool m_atEnd = false;
};

}  // namespace torvan
