// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/HelpContexts.h"

#include <map>

#include "gui/app/Commands.h"

namespace torvan {

QString HelpContentsPage() {
    return QStringLiteral("qrc:/help/index.html");
}

QString HelpPageForContext(int context) {
    static const std::map<int, const char*> pages = {
        {kHelpMainFrame, "index.html"},
        {kHelpPane, "window.html#pane"},
        {kHelpTutorial, "tutorial.html"},
        {kHelpSettingsDlg, "settings.html"},
        {kHelpChooseDir, "settings.html#directory"},
        {kHelpAboutDlg, "window.html#about"},
        {kHelpToolBar, "window.html#toolbar"},
        {kHelpStatusBar, "window.html#statusbar"},
        {kHelpMessages, "messages.html"},
        {CommandHelpContext(kIdFileOpen), "window.html#open"},
        {CommandHelpContext(kIdSettings), "settings.html"},
        {CommandHelpContext(kIdConvertSeveral), "window.html#several"},
        {CommandHelpContext(kIdTutorial), "tutorial.html"},
        {CommandHelpContext(kIdFileMru1), "window.html#recent"},
        {CommandHelpContext(kIdFileMru1 + 1), "window.html#recent"},
        {CommandHelpContext(kIdFileMru1 + 2), "window.html#recent"},
        {CommandHelpContext(kIdFileMru4), "window.html#recent"},
        {CommandHelpContext(kIdAppExit), "window.html#exit"},
        {CommandHelpContext(kIdClearWindow), "window.html#clear"},
        {CommandHelpContext(kIdHelpFinder), "window.html#help"},
        {CommandHelpContext(kIdAppAbout), "window.html#about"},
        {CommandHelpContext(kIdHelp), "window.html#help"},
        {CommandHelpContext(kIdContextHelp), "window.html#help"},
        {CommandHelpContext(kIdFileNew), "window.html#keys"},
        {CommandHelpContext(kIdFileSave), "window.html#keys"},
        {CommandHelpContext(kIdEditCopy), "window.html#pane"},
        {CommandHelpContext(kIdEditCut), "window.html#pane"},
        {CommandHelpContext(kIdEditPaste), "window.html#pane"},
        {CommandHelpContext(kIdEditUndo), "window.html#pane"},
        {CommandHelpContext(kIdNextPane), "window.html#keys"},
        {CommandHelpContext(kIdPrevPane), "window.html#keys"},
    };
    const auto it = pages.find(context);
    if (it == pages.end()) {
        return HelpContentsPage();
    }
    return QStringLiteral("qrc:/help/") + QString::fromLatin1(it->second);
}

}  // namespace torvan
