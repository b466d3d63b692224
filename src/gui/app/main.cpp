// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "gui/app/Icons.h"
#include "gui/app/ProjectInfo.h"
#include "gui/app/TorvanApp.h"
#include "gui/app/Translations.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvan"));
    QApplication::setOrganizationName(QStringLiteral("Quennel"));
    QApplication::setApplicationVersion(QString::fromLatin1(torvan::kVersion));
    QApplication::setDesktopFileName(QStringLiteral("io.github.torvan.Torvan"));
    QApplication::setWindowIcon(torvan::AppIcon());
    torvan::InstallTranslations(QLocale::system());

    torvan::CTorvanApp app;
    if (!app.InitInstance(QApplication::arguments())) {
        return 1;
    }
    const int status = QApplication::exec();
    app.ExitInstance();
    return status;
}
