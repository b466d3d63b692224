// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/Commands.h"

#include <map>

namespace torvan {

const std::vector<int>& AllCommands() {
    static const std::vector<int> commands = {
        kIdFileOpen,   kIdSettings, kIdTutorial, kIdAppExit,        kIdClearWindow,
        kIdHelpFinder, kIdAppAbout, kIdHelp,     kIdContextHelp,    kIdDefaultHelp,
        kIdFileNew,    kIdFileSave, kIdEditCopy, kIdEditCut,        kIdEditPaste,
        kIdEditUndo,   kIdNextPane, kIdPrevPane, kIdConvertSeveral,
    };
    return commands;
}

QString CommandString(int id) {
    static const std::map<int, const char*> strings = {
        {kIdFileOpen, "Open an existing document\nOpen"},
        {kIdSettings, "File conversion settings\nSettings"},
        {kIdConvertSeveral,
         "Convert several price files with the current settings, each named by its file\n"
         "Convert Several Files"},
        {kIdTutorial, "Tutorial\nTutorial"},
        {kIdAppExit, "Quit the application; prompts to save documents\nExit"},
        {kIdClearWindow, "Clear Window\nClear Window"},
        {kIdHelpFinder, "List Help topics\nHelp Topics"},
        {kIdAppAbout, "Display program information, version number and copyright\nAbout"},
        {kIdHelp, "Display help for current task or command\nHelp"},
        {kIdContextHelp, "Display help for clicked on buttons, menus and windows\nHelp"},
        {kIdFileNew, "Create a new document\nNew"},
        {kIdFileSave, "Save the active document\nSave"},
        {kIdEditCopy, "Copy the selection and put it on the Clipboard\nCopy"},
        {kIdEditCut, "Cut the selection and put it on the Clipboard\nCut"},
        {kIdEditPaste, "Insert Clipboard contents\nPaste"},
        {kIdEditUndo, "Undo the last action\nUndo"},
        {kIdNextPane, "Switch to the next window pane\nNext Pane"},
        {kIdPrevPane, "Switch back to the previous window pane\nPrevious Pane"},
    };
    if (id >= kIdFileMru1 && id <= kIdFileMru4) {
        return QStringLiteral("Open this document");
    }
    const auto it = strings.find(id);
    return it == strings.end() ? QString() : QString::fromLatin1(it->second);
}

QString CommandPrompt(int id) {
    return CommandString(id).section(QLatin1Char('\n'), 0, 0);
}

QString CommandTip(int id) {
    const QString text = CommandString(id);
    const auto breakAt = text.indexOf(QLatin1Char('\n'));
    return breakAt < 0 ? QString() : text.mid(breakAt + 1);
}

QString IdleStatusText() {
    return QStringLiteral("For Help, press F1");
}

QString HelpModeStatusText() {
    return QStringLiteral("Select an object on which to get Help");
}

const std::vector<Accelerator>& AcceleratorTable() {
    static const std::vector<Accelerator> table = {
        {Qt::CTRL | Qt::Key_C, kIdEditCopy},        {Qt::CTRL | Qt::Key_N, kIdFileNew},
        {Qt::CTRL | Qt::Key_O, kIdFileOpen},        {Qt::CTRL | Qt::Key_S, kIdFileSave},
        {Qt::CTRL | Qt::Key_V, kIdEditPaste},       {Qt::ALT | Qt::Key_Backspace, kIdEditUndo},
        {Qt::SHIFT | Qt::Key_Delete, kIdEditCut},   {QKeyCombination(Qt::Key_F1), kIdHelp},
        {Qt::SHIFT | Qt::Key_F1, kIdContextHelp},   {QKeyCombination(Qt::Key_F2), kIdSettings},
        {QKeyCombination(Qt::Key_F3), kIdTutorial}, {QKeyCombination(Qt::Key_F6), kIdNextPane},
        {Qt::SHIFT | Qt::Key_F6, kIdPrevPane},      {Qt::CTRL | Qt::Key_Insert, kIdEditCopy},
        {Qt::SHIFT | Qt::Key_Insert, kIdEditPaste}, {Qt::CTRL | Qt::Key_X, kIdEditCut},
        {Qt::CTRL | Qt::Key_Z, kIdEditUndo},
    };
    return table;
}

const std::vector<MenuDef>& MenuTable() {
    static const std::vector<MenuDef> menus = {
        {"&File",
         {{"&Open...\tCtrl+O", kIdFileOpen},
          {"&Settings...\tF2", kIdSettings},
          {"Convert Se&veral Files...", kIdConvertSeveral},
          {"&Tutorial\tF3", kIdTutorial},
          {nullptr, kIdSeparator},
          {"Recent File", kIdFileMru1},
          {nullptr, kIdSeparator},
          {"E&xit", kIdAppExit}}},
        {"&View", {{"&Clear Window", kIdClearWindow}}},
        {"&Help",
         {{"&Help Topics", kIdHelpFinder},
          {"&Tutorial\tF3", kIdTutorial},
          {nullptr, kIdSeparator},
          {"&About Torvan...", kIdAppAbout}}},
    };
    return menus;
}

const std::vector<int>& ToolbarTable() {
    static const std::vector<int> buttons = {kIdFileOpen, kIdSettings, kIdClearWindow, kIdSeparator,
                                             kIdAppAbout};
    return buttons;
}

}  // namespace torvan
