// SPDX-License-Identifier: GPL-3.0-or-later
// Writes pictures of the two dialogs, filled with the first-run settings,
// and of two message boxes (one with an icon, one without):
//   torvan_dialog_screenshots OUTPUT_DIR
// Run under Qt's offscreen platform (the default here) or any display.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <utility>

#include "TestSinks.h"
#include "gui/dialogs/ChooseDir.h"
#include "gui/dialogs/QtMessageSink.h"
#include "gui/dialogs/SettingsDlg.h"
#include "platform/MessageCatalogue.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    torvan::test::NullSink sink;

    torvan::CSettingsDlg settings(sink);
    settings.m_settings.pathOut = "/home/trader/data/metastock";
    settings.show();
    QApplication::processEvents();
    const bool savedSettings = settings.grab().save(out.filePath("settings-dialog.png"));

    torvan::CChooseDir chooser(sink);
    chooser.SetInitialDir("/usr/share");
    chooser.show();
    QApplication::processEvents();
    const bool savedChooser = chooser.grab().save(out.filePath("choose-directory.png"));

    bool savedBoxes = true;
    const std::pair<torvan::Message, const char*> boxes[] = {
        {torvan::MakeMessage(torvan::MessageId::kSwitchedOffColumnOutOfRange,
                             {"Volume", "1", "20"}),
         "message-switched-off-field.png"},
        {torvan::MakeMessage(torvan::MessageId::kPathDoesNotExist, {"/home/trader/nowhere"}),
         "message-path-does-not-exist.png"},
    };
    for (const auto& [message, file] : boxes) {
        const auto box = torvan::QtMessageSink::CreateBox(message, nullptr);
        box->show();
        QApplication::processEvents();
        savedBoxes = box->grab().save(out.filePath(file)) && savedBoxes;
    }
    return savedSettings && savedChooser && savedBoxes ? 0 : 1;
}
