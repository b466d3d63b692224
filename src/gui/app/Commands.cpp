// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/Commands.h"

#include <QCoreApplication>
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
        {kIdFileOpen, QT_TRANSLATE_NOOP("Commands", "Open an existing document\nOpen")},
        {kIdSettings, QT_TRANSLATE_NOOP("Commands", "File conversion settings\nSettings")},
        {kIdConvertSeveral,
         QT_TRANSLATE_NOOP(
             "Commands",
             "Convert several price files with the current settings, each named by its "
             "file\nConvert Several Files")},
        {kIdTutorial, QT_TRANSLATE_NOOP("Commands", "Tutorial\nTutorial")},
        {kIdAppExit,
         QT_TRANSLATE_NOOP("Commands", "Quit the application; prompts to save documents\nExit")},
        {kIdClearWindow, QT_TRANSLATE_NOOP("Commands", "Clear Window\nClear Window")},
        {kIdHelpFinder, QT_TRANSLATE_NOOP("Commands", "List Help topics\nHelp Topics")},
        {kIdAppAbout,
         QT_TRANSLATE_NOOP("Commands",
                           "Display program information, version number and copyright\nAbout")},
        {kIdHelp, QT_TRANSLATE_NOOP("Commands", "Display help for current task or command\nHelp")},
        {kIdContextHelp,
         QT_TRANSLATE_NOOP("Commands",
                           "Display help for clicked on buttons, menus and windows\nHelp")},
        {kIdFileNew, QT_TRANSLATE_NOOP("Commands", "Create a new document\nNew")},
        {kIdFileSave, QT_TRANSLATE_NOOP("Commands", "Save the active document\nSave")},
        {kIdEditCopy,
         QT_TRANSLATE_NOOP("Commands", "Copy the selection and put it on the Clipboard\nCopy")},
        {kIdEditCut,
         QT_TRANSLATE_NOOP("Commands", "Cut the selection and put it on the Clipboard\nCut")},
        {kIdEditPaste, QT_TRANSLATE_NOOP("Commands", "Insert Clipboard contents\nPaste")},
        {kIdEditUndo, QT_TRANSLATE_NOOP("Commands", "Undo the last action\nUndo")},
        {kIdNextPane, QT_TRANSLATE_NOOP("Commands", "Switch to the next window pane\nNext Pane")},
        {kIdPrevPane,
         QT_TRANSLATE_NOOP("Commands", "Switch back to the previous window pane\nPrevious Pane")},
    };
    if (id >= kIdFileMru1 && id <= kIdFileMru4) {
        return QCoreApplication::translate("Commands", "Open this document");
    }
    const auto it = strings.find(id);
    return it == strings.end() ? QString() : QCoreApplication::translate("Commands", it->second);
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
    return QCoreApplication::translate("Commands", "For Help, press F1");
}

QString HelpModeStatusText() {
    return QCoreApplication::translate("Commands", "Select an object on which to get Help");
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
        {QT_TRANSLATE_NOOP("Menus", "&File"),
         {{QT_TRANSLATE_NOOP("Menus", "&Open...\tCtrl+O"), kIdFileOpen},
          {QT_TRANSLATE_NOOP("Menus", "&Settings...\tF2"), kIdSettings},
          {QT_TRANSLATE_NOOP("Menus", "Convert Se&veral Files..."), kIdConvertSeveral},
          {QT_TRANSLATE_NOOP("Menus", "&Tutorial\tF3"), kIdTutorial},
          {nullptr, kIdSeparator},
          {QT_TRANSLATE_NOOP("Menus", "Recent File"), kIdFileMru1},
          {nullptr, kIdSeparator},
          {QT_TRANSLATE_NOOP("Menus", "E&xit"), kIdAppExit}}},
        {QT_TRANSLATE_NOOP("Menus", "&View"),
         {{QT_TRANSLATE_NOOP("Menus", "&Clear Window"), kIdClearWindow}}},
        {QT_TRANSLATE_NOOP("Menus", "&Help"),
         {{QT_TRANSLATE_NOOP("Menus", "&Help Topics"), kIdHelpFinder},
          {QT_TRANSLATE_NOOP("Menus", "&Tutorial\tF3"), kIdTutorial},
          {nullptr, kIdSeparator},
          {QT_TRANSLATE_NOOP("Menus", "&About Torvan..."), kIdAppAbout}}},
    };
    return menus;
}

const std::vector<int>& ToolbarTable() {
    static const std::vector<int> buttons = {kIdFileOpen, kIdSettings, kIdClearWindow, kIdSeparator,
                                             kIdAppAbout};
    return buttons;
}

}  // namespace torvan
