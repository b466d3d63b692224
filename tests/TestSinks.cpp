// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSinks.h"

namespace torvan::test {

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

}  // namespace torvan::test
