// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace torvan {

// Help context numbers, as the Windows help system numbers them: commands
// are 0x10000 + command id, windows and dialogs 0x20000 + resource id,
// control bars 0x50000 + their window id.
inline constexpr int kHelpCommandBase = 0x10000;
inline constexpr int kHelpResourceBase = 0x20000;
inline constexpr int kHelpControlBase = 0x50000;

inline constexpr int kHelpMainFrame = kHelpResourceBase + 128;  // 131200
inline constexpr int kHelpAboutDlg = kHelpResourceBase + 100;
inline constexpr int kHelpSettingsDlg = kHelpResourceBase + 130;
inline constexpr int kHelpChooseDir = kHelpResourceBase + 132;
inline constexpr int kHelpTutorial = kHelpResourceBase + 133;  // 131205
inline constexpr int kHelpToolBar = kHelpControlBase + 0xE800;
inline constexpr int kHelpStatusBar = kHelpControlBase + 0xE801;
inline constexpr int kHelpPane = kHelpControlBase + 0xE900;
// Not a framework number: the page explaining the program's messages.
inline constexpr int kHelpMessages = kHelpResourceBase + 0x7000;

inline constexpr int CommandHelpContext(int command) {
    return kHelpCommandBase + command;
}

// The help page (a resource URL such as "qrc:/help/tutorial.html", possibly
// with a fragment) for a context number; the contents page for a number
// without a page of its own.
QString HelpPageForContext(int context);

// The contents page.
QString HelpContentsPage();

}  // namespace torvan
