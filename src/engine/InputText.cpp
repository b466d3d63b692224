#include "engine/InputText.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace torvan {

LineReader::LineReader(File& file, std::size_t blockSize)
    : m_file(file),
      m_buffer(new char[std::max<std::size_t>(blockSize, 1)]),
      m_capacity(std::max<std::size_t>(blockSize, 1)) {}

bool LineReader::Next(std::string_view& line) {
    return Take(line, /*allLines=*/false);
}

bool LineReader::NextLines(std::string_view& lines) {
    return Take(lines, /*allLines=*/true);
}

bool LineReader::Take(std::string_view& text, bool allLines) {
    for (;;) {
        const char* base = m_buffer.get();
        const std::string_view unscanned(base + m_begin + m_scanned, m_end - m_begin - m_scanned);
        const std::size_t feed = allLines ? FindLast(unscanned, '\n') : unscanned.find('\n');
        if (feed != std::string_view::npos) {
            const std::size_t stop = m_begin + m_scanned + feed + 1;
            text = std::string_view(base + m_begin, stop - m_begin);
            m_begin = stop;
            m_scanned = 0;
            return true;
        }
        m_scanned = m_end - m_begin;
        if (m_atEnd || !Refill()) {
            if (m_begin == m_end || m_file.Failed()) {
                return false;
            }
            text = std::string_view(m_buffer.get() + m_begin, m_end - m_begin);
            m_begin = m_end;
            m_scanned = 0;
            return true;
        }
    }
}

// Moves the unread text to the front, grows the buffer when that text fills
// it, and reads what fits behind it. False at the end or on an error.
bool LineReader::Refill() {
    const std::size_t unread = m_end - m_begin;
    if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, unread);
        m_begin = 0;
        m_end = unread;
    }
    if (m_end == m_capacity) {
        std::unique_ptr<char[]> bigger(new char[2 * m_capacity]);
        std::memcpy(bigger.get(), m_buffer.get(), m_end);
        m_buffer = std::move(bigger);
        m_capacity *= 2;
    }
    const std::size_t got = m_file.Read(m_buffer.get() + m_end, m_capacity - m_end);
    if (got == 0) {
        m_atEnd = true;
        return false;
    }
    m_end += got;
    return true;
}

}  // namespace torvan
