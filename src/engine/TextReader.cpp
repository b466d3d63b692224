#include "engine/TextReader.h"

namespace torvan {
namespace {
constexpr std::size_t kBlock = 1 << 16;
constexpr std::uint32_t kReplacement = 0xFFFD;
}  // namespace

void AppendUtf8(std::uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool StartsWithUtf16Mark(const std::string& path) {
    TextReader reader;
    const bool utf16 = reader.Open(path) && (reader.Encoding() == TextEncoding::kUtf16Le ||
                                             reader.Encoding() == TextEncoding::kUtf16Be);
    reader.Close();
    return utf16;
}

bool TextReader::Open(const std::string& path) {
    m_encoding = TextEncoding::kBytes;
    m_first = true;
    m_pos = m_size = 0;
    if (!m_file.Open(path, File::Mode::Read)) {
        return false;
    }
    unsigned char mark[3] = {0, 0, 0};
    const std::size_t got = m_file.Read(mark, 3);
    if (got >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
        m_encoding = TextEncoding::kUtf16Le;
    } else if (got >= 2 && mark[0] == 0xFE && mark[1] == 0xFF) {
        m_encoding = TextEncoding::kUtf16Be;
    } else if (got == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
        m_encoding = TextEncoding::kUtf8Bom;
    }
    const std::uint64_t start = m_encoding == TextEncoding::kUtf8Bom ? 3
                                : m_encoding == TextEncoding::kBytes ? 0
                                                                     : 2;
    return m_file.Seek(start);
}

bool TextReader::ReadLine(std::string& line) {
    if (m_encoding == TextEncoding::kUtf16Le || m_encoding == TextEncoding::kUtf16Be) {
        return ReadUtf16Line(line);
    }
    return m_file.ReadLine(line);
}

bool TextReader::NextUnit(std::uint16_t& unit) {
    if (m_size - m_pos < 2) {
        // Keep an odd byte left over and fill up behind it.
        if (m_buffer.size() < kBlock) {
            m_buffer.resize(kBlock);
        }
        const std::size_t left = m_size - m_pos;
        if (left == 1) {
            m_buffer[0] = m_buffer[m_pos];
        }
        m_size = left + m_file.Read(m_buffer.data() + left, kBlock - left);
        m_pos = 0;
        if (m_size < 2) {
            m_size = 0;  // an odd last byte is no character
            return false;
        }
    }
    const unsigned a = m_buffer[m_pos];
    const unsigned b = m_buffer[m_pos + 1];
    m_pos += 2;
    unit = static_cast<std::uint16_t>(m_encoding == TextEncoding::kUtf16Le ? (b << 8) | a
                                                                           : (a << 8) | b);
    return true;
}

bool TextReader::ReadUtf16Line(std::string& line) {
    line.clear();
    std::uint16_t unit = 0;
    bool any = false;
    bool pending = false;  // unit already holds the next code unit
    while (pending || NextUnit(unit)) {
        pending = false;
        any = true;
        std::uint32_t c = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            std::uint16_t low = 0;
            const bool gotLow = NextUnit(low);
            if (gotLow && low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) +
                    (static_cast<std::uint32_t>(low) - 0xDC00);
            } else {
                // A lone high surrogate: mark it and read what followed it
                // as a character of its own.
                c = kReplacement;
                if (gotLow) {
                    unit = low;
                    pending = true;
                }
            }
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(c, line);
        if (c == '\n') {
            return true;
        }
    }
    return any;
}

}  // namespace torvan
