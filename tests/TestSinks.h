// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "platform/Message.h"

namespace torvan::test {

// Keeps every message and answers each with a fixed button (the default
// answer when none is given).
class RecordingSink : public IMessageSink {
  public:
    RecordingSink() = default;
    explicit RecordingSink(int answer) : m_answer(answer), m_fixedAnswer(true) {}
    int Show(const Message& message) override;
    const std::vector<Message>& Messages() const { return m_messages; }
    std::vector<std::string> Texts() const;
    std::vector<std::string> Ids() const;
    void Clear() { m_messages.clear(); }

  private:
    std::vector<Message> m_messages;
    int m_answer = kIdOk;
    bool m_fixedAnswer = false;
};

// Drops every message, answering the default.
class NullSink : public IMessageSink {
  public:
    int Show(const Message& message) override { return DefaultAnswer(message.type); }
};

}  // namespace torvan::test
