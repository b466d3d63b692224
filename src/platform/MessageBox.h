// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

}  // namespace torvan
