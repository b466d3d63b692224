// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeyCombination>
#include <QString>
#include <vector>

namespace torvan {

// Command ids, shared by menu, accelerators, toolbar and prompts. They keep
// the numbers of the Windows framework's standard commands, so that help
// context numbers (0x10000 + id) stay the same on every platform.
enum CommandId : int {
    kIdSeparator = 0,
    kIdSettings = 32771,
    kIdClearWindow = 32774,
    kIdTutorial = 32775,
    kIdConvertSeveral = 32776,
    kIdFileNew = 57600,
    kIdFileOpen = 57601,
    kIdFileSave = 57603,
    kIdFileMru1 = 57616,
    kIdFileMru4 = 57619,
    kIdEditCopy = 57634,
    kIdEditCut = 57635,
    kIdEditPaste = 57637,
    kIdEditUndo = 57643,
    kIdAppAbout = 57664,
    kIdAppExit = 57665,
    kIdHelpFinder = 57667,
    kIdContextHelp = 57669,
    kIdHelp = 57670,
    kIdDefaultHelp = 57671,
    kIdNextPane = 57680,
    kIdPrevPane = 57681,
};

// Every command the frame carries an action for, in a fixed order.
const std::vector<int>& AllCommands();

// The command's string: the status-bar prompt, a line break, the tooltip.
// Empty for a command without one.
QString CommandString(int id);
QString CommandPrompt(int id);
QString CommandTip(int id);

// Status-bar texts.
QString IdleStatusText();      // "For Help, press F1"
QString HelpModeStatusText();  // "Select an object on which to get Help"

// The accelerator table, in its resource order.
struct Accelerator {
    QKeyCombination key;
    int command;
};
const std::vector<Accelerator>& AcceleratorTable();

// The menu bar. An item with command kIdSeparator is a separator; the item
// with command kIdFileMru1 is the place of the recent-file list.
struct MenuItem {
    const char* text;
    int command;
};
struct MenuDef {
    const char* title;
    std::vector<MenuItem> items;
};
const std::vector<MenuDef>& MenuTable();

// The toolbar's buttons, left to right; kIdSeparator is a separator.
const std::vector<int>& ToolbarTable();

}  // namespace torvan
