// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TextReader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace torvan {
namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;
// The most bytes one UTF-16 unit or pair becomes in UTF-8.
constexpr std::size_t kMaxUtf8 = 4;

// Writes code point c as UTF-8 at out; returns how many bytes it took.
std::size_t EncodeUtf8(std::uint32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

bool IsUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be;
}

}  // namespace

bool StartsWithUtf16Mark(const std::string& path) {
    TextReader reader(16);
    const bool utf16 = reader.Open(path) && IsUtf16(reader.Encoding());
    reader.Close();
    return utf16;
}

// At least room for a mark read ahead and for a decoded character.
TextReader::TextReader(std::size_t blockSize, std::size_t maxLine)
    : m_buffer(std::max(blockSize, kMaxUtf8)),
      m_capacity(std::max(blockSize, kMaxUtf8)),
      m_maxLine(maxLine) {}

bool TextReader::Open(const std::string& path) {
    m_encoding = TextEncoding::kBytes;
    m_begin = m_feedAt = m_returnAt = m_loneUntil = m_end = m_rawSize = 0;
    m_atEnd = false;
    m_problem = ReadProblem::kNone;
    m_lineNumber = 0;
    // Asked before opening: opening a pipe waits for a writer, and a device
    // may never end.
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    if (type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::not_found && !error) {
        m_problem = ReadProblem::kNotAFile;
        return false;
    }
    if (!m_file.Open(path, File::Mode::Read)) {
        m_problem = ReadProblem::kCannotOpen;
        return false;
    }
    unsigned char mark[3] = {0, 0, 0};
    const std::size_t got = m_file.Read(mark, 3);
    std::size_t markSize = 0;
    if (got >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
        m_encoding = TextEncoding::kUtf16Le;
        markSize = 2;
    } else if (got >= 2 && mark[0] == 0xFE && mark[1] == 0xFF) {
        m_encoding = TextEncoding::kUtf16Be;
        markSize = 2;
    } else if (got == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
        m_encoding = TextEncoding::kUtf8Bom;
        markSize = 3;
    }
    // What was read past the mark is the start of the text, or of the
    // bytes to decode.
    const std::size_t rest = got - markSize;
    if (IsUtf16(m_encoding)) {
        if (!m_raw) {
            m_rawCapacity = m_capacity;
            m_raw.reset(new unsigned char[m_rawCapacity]);
        }
        std::memcpy(m_raw.get(), mark + markSize, rest);
        m_rawSize = rest;
    } else {
        std::memcpy(m_buffer.get(), mark + markSize, rest);
        m_end = rest;
    }
    // A failed read is told by Failed() once the lines are read.
    return true;
}

ReadProblem TextReader::Problem() const {
    return m_problem == ReadProblem::kNone && m_file.Failed() ? ReadProblem::kReadFailed
                                                              : m_problem;
}

bool TextReader::ReadLine(std::string& line) {
    std::string_view view;
    if (!Next(view)) {
        line.clear();
        return false;
    }
    line.assign(view);
    return true;
}

std::size_t TextReader::Find(std::size_t& cached, std::size_t from, char c,
                             std::size_t limit) const {
    cached = std::max(cached, from);
    if (cached < limit && m_buffer[cached] != c) {
        const void* hit = std::memchr(m_buffer.get() + cached, c, limit - cached);
        cached = hit != nullptr
                     ? static_cast<std::size_t>(static_cast<const char*>(hit) - m_buffer.get())
                     : limit;
    }
    return cached;
}

std::size_t TextReader::LineStop() {
    if (m_begin < m_loneUntil) {
        return m_begin + 1;
    }
    const std::size_t feed = Find(m_feedAt, m_begin, '\n', m_end);
    const std::size_t cr = Find(m_returnAt, m_begin, '\r', feed);
    if (cr >= feed) {
        return feed < m_end ? feed + 1 : std::string_view::npos;
    }
    // Carriage returns right before a line feed are one line end with it;
    // any others end a line each.
    std::size_t after = cr;
    while (after < m_end && m_buffer[after] == '\r') {
        ++after;
    }
    if (after == m_end && !m_atEnd) {
        return std::string_view::npos;
    }
    if (after < m_end && m_buffer[after] == '\n') {
        return after + 1;
    }
    m_loneUntil = after;
    return cr + 1;
}

bool TextReader::Take(std::size_t stop, std::string_view& line) {
    ++m_lineNumber;
    if (stop - m_begin > m_maxLine) {
        m_problem = ReadProblem::kLineTooLong;
        return false;
    }
    line = std::string_view(m_buffer.get() + m_begin, stop - m_begin);
    m_begin = stop;
    return true;
}

bool TextReader::Next(std::string_view& line) {
    if (m_problem != ReadProblem::kNone) {
        return false;
    }
    for (;;) {
        const std::size_t stop = LineStop();
        if (stop != std::string_view::npos) {
            return Take(stop, line);
        }
        if (m_atEnd) {
            // The last line, without a line end.
            return m_begin < m_end && !m_file.Failed() && Take(m_end, line);
        }
        if (m_end - m_begin > m_maxLine) {
            ++m_lineNumber;
            m_problem = ReadProblem::kLineTooLong;
            return false;
        }
        if (!Refill() && m_file.Failed()) {
            return false;
        }
    }
}

bool TextReader::Refill() {
    const std::size_t unread = m_end - m_begin;
    if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, unread);
        for (std::size_t* at : {&m_feedAt, &m_returnAt, &m_loneUntil}) {
            *at = std::max(*at, m_begin) - m_begin;
        }
        m_begin = 0;
        m_end = unread;
    }
    const bool utf16 = IsUtf16(m_encoding);
    // Decoded text needs room for a whole character.
    while (m_capacity - m_end < (utf16 ? kMaxUtf8 : 1)) {
        ScratchBlock bigger(2 * m_capacity);
        std::memcpy(bigger.get(), m_buffer.get(), m_end);
        m_buffer = std::move(bigger);
        m_capacity *= 2;
    }
    if (!utf16) {
        const std::size_t got = m_file.Read(m_buffer.get() + m_end, m_capacity - m_end);
        m_end += got;
        m_atEnd = got == 0;
        return !m_atEnd;
    }
    // The raw block is as large as the buffer was at the start; what the
    // buffer has no room for waits there.
    for (;;) {
        const std::size_t room = m_rawCapacity - m_rawSize;
        const std::size_t got = room > 0 ? m_file.Read(m_raw.get() + m_rawSize, room) : 0;
        const bool end = room > 0 && got == 0;
        m_rawSize += got;
        const std::size_t before = m_end;
        DecodeUtf16(end);
        if (m_end > before) {
            return true;
        }
        if (end) {
            m_atEnd = true;
            return false;
        }
    }
}

void TextReader::DecodeUtf16(bool atEnd) {
    const bool little = m_encoding == TextEncoding::kUtf16Le;
    const unsigned char* raw = m_raw.get();
    auto unitAt = [&](std::size_t at) -> std::uint32_t {
        const std::uint32_t a = raw[at];
        const std::uint32_t b = raw[at + 1];
        return little ? (b << 8) | a : (a << 8) | b;
    };
    char* out = m_buffer.get() + m_end;
    char* const limit = m_buffer.get() + m_capacity;
    std::size_t i = 0;
    while (i + 2 <= m_rawSize && static_cast<std::size_t>(limit - out) >= kMaxUtf8) {
        std::uint32_t c = unitAt(i);
        std::size_t used = 2;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 4 <= m_rawSize) {
                const std::uint32_t low = unitAt(i + 2);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    used = 4;
                } else {
                    // A lone high surrogate is marked; what follows it is
                    // read as a character of its own.
                    c = kReplacement;
                }
            } else if (!atEnd) {
                break;  // its low half is still to be read
            } else {
                c = kReplacement;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = kReplacement;
        }
        out += EncodeUtf8(c, out);
        i += used;
    }
    if (atEnd && m_rawSize - i < 2) {
        i = m_rawSize;  // an odd last byte is no character
    }
    std::memmove(m_raw.get(), raw + i, m_rawSize - i);
    m_rawSize -= i;
    m_end = static_cast<std::size_t>(out - m_buffer.get());
}

}  // namespace torvan
