// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the pictures of the workbench for docs/: the Conversion Settings
// dialog with its reading table, the outcome message, and the main window
// with the database panel and a chart, each as the whole screen shows it;
// then the dialog and outcome of a file of many tickers and of intraday
// bars (both generated here) and of an update of the first file's
// security by its last days and two new ones.
//   torvan_workbench_shots PRICE_FILE WORK_DIR OUTPUT_DIR NAME_SUFFIX
// PRICE_FILE (a Yahoo file) is copied into WORK_DIR/prices and converted
// into WORK_DIR/metastock; WORK_DIR is what the pictures show, so choose a
// neutral one. Meant for a display of the size wanted (Xvfb), with
// QT_QPA_PLATFORM=xcb. The texts are in the system's language (LANGUAGE=de
// for German).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
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
#include <functional>

#include "gui/app/MainFrame.h"
#include "gui/app/TorvanApp.h"
#include "gui/app/Translations.h"
#include "tests/gui/app/AppTestSupport.h"

namespace {

QPixmap Screen() {
    QApplication::processEvents();
    QTest::qWait(300);
    return QGuiApplication::primaryScreen()->grabWindow(0);
}

// Generated lines: three tickers a day, and 5-minute bars of two days.
void WriteGenerated(const QDir& work) {
    QFile tickers(work.filePath("prices/exchange.csv"));
    tickers.open(QIODevice::WriteOnly);
    tickers.write("Ticker,Date,Open,High,Low,Close,Volume\n");
    QDate day(2024, 1, 2);
    for (int d = 0; d < 30; day = day.addDays(day.dayOfWeek() == 5 ? 3 : 1), ++d) {
        for (int t = 0; t < 3; ++t) {
            const double close = 20.0 * (t + 1) + (d * 7 + t * 3) % 11 * 0.25;
            tickers.write(QStringLiteral("%1,%2,%3,%4,%5,%6,%7\n")
                              .arg(QStringLiteral("ABC DEF GHI").section(' ', t, t),
                                   day.toString(Qt::ISODate), QString::number(close - 0.2),
                                   QString::number(close + 0.5), QString::number(close - 0.6),
                                   QString::number(close), QString::number(10000 + d * 130))
                              .toLatin1());
        }
    }
    QFile bars(work.filePath("prices/bars-5min.csv"));
    bars.open(QIODevice::WriteOnly);
    bars.write("Date,Time,Open,High,Low,Close,Volume\n");
    for (const char* date : {"2024-03-04", "2024-03-05"}) {
        for (int minute = 0; minute < 390; minute += 5) {
            const double close = 101.0 + (minute / 5 * 13 % 17) * 0.05;
            bars.write(QStringLiteral("%1,%2:%3,%4,%5,%6,%7,%8\n")
                           .arg(QString::fromLatin1(date))
                           .arg(9 + (30 + minute) / 60, 2, 10, QLatin1Char('0'))
                           .arg((30 + minute) % 60, 2, 10, QLatin1Char('0'))
                           .arg(close - 0.05)
                           .arg(close + 0.1)
                           .arg(close - 0.1)
                           .arg(close)
                           .arg(500 + minute)
                           .toLatin1());
        }
    }
}

// The Yahoo file's header and last five days, and two days after them.
void WriteUpdate(const QString& yahoo, const QString& to) {
    QFile in(yahoo);
    in.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromLatin1(in.readAll()).split('\n', Qt::SkipEmptyParts);
    QStringList kept{lines.front()};
    kept << lines.mid(lines.size() - 5);
    QStringList last = kept.back().split(',');
    QDate day = QDate::fromString(last[0], Qt::ISODate);
    for (int i = 0; i < 2; ++i) {
        day = day.addDays(day.dayOfWeek() == 5 ? 3 : 1);
        last[0] = day.toString(Qt::ISODate);
        kept << last.join(',');
    }
    QFile out(to);
    out.open(QIODevice::WriteOnly);
    out.write((kept.join('\n') + '\n').toLatin1());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s PRICE_FILE WORK_DIR OUTPUT_DIR NAME_SUFFIX\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    torvan::InstallTranslations(QLocale::system());
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

    // Each file read with Detect into the same database, or the update.
    WriteGenerated(work);
    const QString update = work.filePath("prices/orcl-new-days.csv");
    WriteUpdate(prices, update);
    // The columns as the file's header names them (the Yahoo file's
    // reading settings are kept from its conversion).
    const auto columns = [](QWidget* dialog, int ticker, int time) {
        const auto set = [dialog](const char* check, const char* edit, int column) {
            dialog->findChild<QCheckBox*>(check)->setChecked(column > 0);
            if (column > 0) {
                dialog->findChild<QLineEdit*>(edit)->setText(QString::number(column));
            }
        };
        set("checkTicker", "editTicker", ticker);
        set("checkTime", "editTime", time);
        int column = ticker > 0 ? 2 : 1;
        for (const char* edit : {"edit1004", "edit1010", "edit1013", "edit1016", "edit1019"}) {
            dialog->findChild<QLineEdit*>(edit)->setText(QString::number(column));
            column += column == time - 1 ? 2 : 1;
        }
        dialog->findChild<QLineEdit*>("edit1022")->setText("7");  // after Adj Close, or last
    };
    const struct {
        QString file;
        QString shot;
        std::function<void(QWidget*)> fill;
    } more[] = {
        {work.filePath("prices/exchange.csv"), "tickers",
         [&](QWidget* dialog) { columns(dialog, 1, 0); }},
        {work.filePath("prices/bars-5min.csv"), "intraday",
         [&](QWidget* dialog) {
             columns(dialog, 0, 2);
             dialog->findChild<QLineEdit*>("edit1031")->setText("bars");
             dialog->findChild<QLineEdit*>("edit1032")->setText("5-minute bars");
         }},
        {update, "update",
         [&](QWidget* dialog) {
             columns(dialog, 0, 0);
             dialog->findChild<QLineEdit*>("edit1031")->setText("orcl");
             dialog->findChild<QLineEdit*>("edit1032")->setText("Oracle");
             dialog->findChild<QCheckBox*>("checkUpdate")->setChecked(true);
         }},
    };
    for (const auto& shot : more) {
        script.Then([&](QWidget* dialog) {
            dialog->findChild<QRadioButton*>("radio1028")->click();
            shot.fill(dialog);
            ok = Screen().save(
                     out.filePath("workbench-dialog-" + shot.shot + "-" + suffix + ".png")) &&
                 ok;
            dialog->findChild<QPushButton*>("IDOK")->click();
        });
        script.Then([&](QWidget* box) {
            ok = Screen().save(
                     out.filePath("workbench-outcome-" + shot.shot + "-" + suffix + ".png")) &&
                 ok;
            static_cast<QDialog*>(box)->accept();
        });
        app.OpenDocumentFile(shot.file);
    }
    frame.close();
    app.ExitInstance();
    return ok && script.Done() ? 0 : 1;
}
