// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace torvan {

// One message or question of a job: a stable identifier and its parameters,
// so that a front end can translate it, and the English text. MakeMessage
// (MessageCatalogue.h) fills it from the catalogue.
struct Message {
    std::string id;                   // e.g. "PathDoesNotExist"; never changes
    std::vector<std::string> params;  // in the order the text uses them
    std::string text;                 // English, with line breaks where a dialog wants them
    unsigned type = kMbOk;            // MessageBoxType buttons | icon
};

// Where a job sends its messages and questions. Show returns the button the
// user pressed (kIdOk, kIdYes, ...). A job calls only the sink its caller gave
// it, so two jobs in one process never hear each other.
class IMessageSink {
  public:
    virtual ~IMessageSink() = default;
    virtual int Show(const Message& message) = 0;
};

// The button a sink answers when nobody can be asked: OK, or Yes for Yes/No.
int DefaultAnswer(unsigned type);

// The text on one line, for a terminal: a message's lines are laid out for
// a dialog, so they are joined by a space, and a paragraph that ends without
// punctuation is followed by ": ".
std::string OneLine(const std::string& text);

}  // namespace torvan
