// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the pictures of the README: the main window with a preview, the
// About box and the help window. (The Conversion Settings dialog is larger
// than this window; torvan_workbench_shots shows it on a whole screen.)
//   torvan_screenshots SAMPLE_FILE OUTPUT_DIR
// Runs under Qt's offscreen platform (the default here) or any display, on
// a profile of its own in a temporary folder, in the system's language
// (LANGUAGE=de for German).
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "gui/app/HelpContexts.h"
#include "gui/app/MainFrame.h"
#include "gui/app/TorvanApp.h"
#include "gui/app/Translations.h"
#include "tests/gui/app/AppTestSupport.h"

namespace {

// A window as it sits on the desktop: a title bar above its contents.
QPixmap Framed(QWidget& window) {
    const QPixmap content = window.grab();
    const qreal ratio = content.devicePixelRatio();
    const QSize size = content.deviceIndependentSize().toSize();
    const int bar = 26;
    QPixmap framed(QSize(size.width() + 2, size.height() + bar + 1) * ratio);
    framed.setDevicePixelRatio(ratio);
    framed.fill(QColor(0x5a, 0x6f, 0x86));
    QPainter painter(&framed);
    painter.drawPixmap(1, bar, content);
    painter.setPen(Qt::white);
    QFont font = window.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawPixmap(6, (bar - 16) / 2, window.windowIcon().pixmap(16, 16));
    painter.drawText(QRect(28, 0, size.width() - 32, bar), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    return framed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SAMPLE_FILE OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    torvan::InstallTranslations(QLocale::system());
    const QString sample = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QDir out(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath());
    QTemporaryDir profile;
    // The pictures show paths: a neutral folder with the sample and a
    // database folder beside it.
    QTemporaryDir work(QDir::tempPath() + "/torvan-XXXXXX");
    QDir(work.path()).mkpath("prices");
    QDir(work.path()).mkpath("metastock");
    const QString prices = work.filePath("prices/ibm.txt");
    QFile::copy(sample, prices);
    QDir::setCurrent(work.filePath("prices"));
    torvan::CMainFrame::SetWorkAreaSource([] { return QSize(1100, 760); });

    torvan::CTorvanApp app;
    if (!app.InitInstance({}, profile.path().toStdString())) {
        return 1;
    }
    app.m_profile.WriteString("Import", "PathOut", work.filePath("metastock").toStdString());
    app.m_profile.WriteString("Import", "Symbol", "IBM");
    app.m_profile.WriteString("Import", "Name", "IBM sample");
    torvan::CMainFrame& frame = *app.MainFrame();
    frame.resize(860, 560);
    bool ok = true;

    // The preview, while the Settings command waits for its dialog.
    torvan::test::ModalScript script;
    script.Then([&](QWidget* dialog) {
        QApplication::processEvents();
        ok = Framed(frame).save(out.filePath("main-window.png")) && ok;
        static_cast<QDialog*>(dialog)->reject();
    });
    app.OpenDocumentFile(prices);

    script.Then([&](QWidget* dialog) {
        QApplication::processEvents();
        ok = Framed(*dialog).save(out.filePath("about-box.png")) && ok;
        static_cast<QDialog*>(dialog)->accept();
    });
    app.OnAppAbout();

    app.WinHelp(torvan::kHelpTutorial);
    QApplication::processEvents();
    if (frame.HelpWindow() != nullptr) {
        ok = Framed(*frame.HelpWindow()).save(out.filePath("help-window.png")) && ok;
    }
    frame.close();
    app.ExitInstance();
    return ok && script.Done() ? 0 : 1;
}
