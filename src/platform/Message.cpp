// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Message.h"

#include <vector>

namespace torvan {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

}  // namespace

std::string OneLine(const std::string& text) {
    std::vector<std::string> paragraphs(1);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = Trimmed(text.substr(start, end - start));
        if (line.empty()) {
            if (!paragraphs.back().empty()) {
                paragraphs.emplace_back();
            }
        } else {
            std::string& paragraph = paragraphs.back();
            paragraph += paragraph.empty() ? "" : " ";
            paragraph += line;
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& paragraph : paragraphs) {
        if (paragraph.empty()) {
            continue;
        }
        if (!result.empty()) {
            const char last = result.back();
            result += (last == '.' || last == '!' || last == '?' || last == ':') ? " " : ": ";
        }
        result += paragraph;
    }
    return result;
}

int DefaultAnswer(unsigned type) {
    return (type & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
}

}  // namespace torvan
