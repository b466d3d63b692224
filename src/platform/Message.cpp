#include "platform/Message.h"

namespace torvan {

int DefaultAnswer(unsigned type) {
    return (type & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
}

std::string OneLine(const std::string& text) {
    std::string line;
    bool pendingBreak = false;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            while (!line.empty() && line.back() == ' ') {
                line.pop_back();
            }
            pendingBreak = !line.empty();
            continue;
        }
        if (pendingBreak) {
            if (c == ' ') {
                continue;
            }
            line += ' ';
            pendingBreak = false;
        }
        line += c;
    }
    return line;
}

int RecordingSink::Show(const Message& message) {
    m_messages.push_back(message);
    return m_fixedAnswer ? m_answer : DefaultAnswer(message.type);
}

std::vector<std::string> RecordingSink::Texts() const {
    std::vector<std::string> texts;
    for (const Message& message : m_messages) {
        texts.push_back(message.text);
    }
    return texts;
}

std::vector<std::string> RecordingSink::Ids() const {
    std::vector<std::string> ids;
    for (const Message& message : m_messages) {
        ids.push_back(message.id);
    }
    return ids;
}

}  // namespace torvan
