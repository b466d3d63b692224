#pragma once

#include <functional>
#include <string>

namespace torvan {

// Button and icon flags of a message box, with the values the Windows API
// gives them so that stored expectations stay readable.
enum MessageBoxType : unsigned {
    kMbOk = 0x00,
    kMbOkCancel = 0x01,
    kMbYesNo = 0x04,
    kMbIconStop = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
};

// Results: the button the user pressed.
enum MessageBoxResult : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

using MessageHandler = std::function<int(const std::string& text, unsigned type)>;

// Shows a modal message through the installed handler and returns the button
// pressed. Without a handler the text goes to standard error and the default
// button (OK or Yes) is answered.
int ShowMessage(const std::string& text, unsigned type = kMbOk);

// Shows text as an error (OK button, exclamation icon) and returns 1, the
// failure status of the stage that reports it.
int ShowFailure(const std::string& text);

// Installs a handler; returns the one it replaces. An empty handler restores
// the default.
MessageHandler SetMessageHandler(MessageHandler handler);

}  // namespace torvan
