// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the pictures of the workbench for docs/: the Conversion Settings
// dialog with its reading table, the outcome message, and the main window
// with the database panel and a chart, each as the whole screen shows it.
//   torvan_workbench_shots PRICE_FILE WORK_DIR OUTPUT_DIR NAME_SUFFIX
// PRICE_FILE is copied into WORK_DIR/prices and converted into
// WORK_DIR/metastock; WORK_DIR is what the pictures show, so choose a
// neutral one. Meant for a display of the size wanted (Xvfb), with
// QT_QPA_PLATFORM=xcb.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "gui/app/MainFrame.h"
#include "gui/app/TorvanApp.h"
#include "tests/gui/app/AppTestSupport.h"

namespace {

QPixmap Screen() {
    QApplication::processEvents();
    QTest::qWait(300);
    return QGuiApplication::primaryScreen()->grabWindow(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s PRICE_FILE WORK_DIR OUTPUT_DIR NAME_SUFFIX\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    const QString input = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QDir work(QString::fromLocal8Bit(argv[2]));
    const QDir out(QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath());
    const QString suffix = QString::fromLocal8Bit(argv[4]);
    work.mkpath("prices");
    work.mkpath("metastock");
    const QString prices = work.filePath("prices/" + QFileInfo(input).fileName());
    QFile::remove(prices);
    QFile::copy(input, prices);
    QTemporaryDir profile;

    torvan::CTorvanApp app;
    if (!app.InitInstance({}, profile.path().toStdString())) {
        return 1;
    }
    torvan::CMainFrame& frame = *app.MainFrame();
    // The whole screen, as a maximised window (Xvfb has no window manager
    // to maximise it).
    frame.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    frame.show();
    bool ok = true;
    torvan::test::ModalScript script;
    // The settings of a Yahoo file: a header row, ISO dates, the volume
    // after the adjusted close, no open interest.
    script.Then([&](QWidget* dialog) {
        dialog->findChild<QCheckBox*>("check1035")->click();
        dialog->findChild<QLineEdit*>("edit1033")->setText("1");
        dialog->findChild<QComboBox*>("combo1039")->setCurrentText("CCYY_MM_DD");
        dialog->findChild<QLineEdit*>("edit1022")->setText("7");
        dialog->findChild<QCheckBox*>("check1024")->click();
        dialog->findChild<QLineEdit*>("edit1027")->setText(work.filePath("metastock"));
        dialog->findChild<QRadioButton*>("radio1029")->click();
        dialog->findChild<QLineEdit*>("edit1031")->setText("orcl");
        dialog->findChild<QLineEdit*>("edit1032")->setText("Oracle");
        ok = Screen().save(out.filePath("workbench-dialog-" + suffix + ".png")) && ok;
        dialog->findChild<QPushButton*>("IDOK")->click();
    });
    script.Then([&](QWidget* box) {
        ok = Screen().save(out.filePath("workbench-outcome-" + suffix + ".png")) && ok;
        static_cast<QDialog*>(box)->accept();
    });
    app.OpenDocumentFile(prices);
    ok = Screen().save(out.filePath("workbench-main-" + suffix + ".png")) && ok;
    frame.close();
    app.ExitInstance();
    return ok && script.Done() ? 0 : 1;
}
