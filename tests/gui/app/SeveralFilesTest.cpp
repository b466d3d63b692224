// SPDX-License-Identifier: GPL-3.0-or-later
// File > Convert Several Files...: a run over a progress dialog, its table
// of outcomes, and Cancel keeping the files done.
#include <QProgressDialog>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "database/DatabaseReader.h"
#include "gui/app/SeveralFiles.h"
#include "tests/gui/app/AppTestSupport.h"

using namespace torvan;

class SeveralFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void outcomesAndCancel_data() {
        QTest::addColumn<int>("cancelAfter");  // 0: never
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<int>("listed");
        QTest::newRow("one fails") << 0 << QStringList{"Added", "Failed", "Added"} << 2;
        QTest::newRow("cancelled after the first")
            << 1 << QStringList{"Added", "Failed", "Failed"} << 1;
    }
    void outcomesAndCancel() {
        QFETCH(int, cancelAfter);
        QFETCH(QStringList, outcomes);
        QFETCH(int, listed);
        QTemporaryDir in;
        QTemporaryDir db;
        const QStringList files = {in.filePath("aaa.txt"), in.filePath("bad.txt"),
                                   in.filePath("ccc.txt")};
        const char* contents[] = {"20240102,1\n20240103,2\n", "no dates here\n", "20240105,3\n"};
        for (int i = 0; i < files.size(); ++i) {
            QFile file(files[i]);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents[i]);
        }
        ImportSettings settings;
        settings.pathOut = QFile::encodeName(db.path()).toStdString();
        settings.dateFormat = "CCYYMMDD";
        settings.fieldOn = {1, 0, 0, 0, 1, 0, 0};
        settings.fieldCol = {1, 2, 3, 4, 2, 6, 7};
        QWidget parent;
        std::vector<std::size_t> told;
        const auto run = CSeveralFiles::Run(&parent, settings, files,
                                            [&](QProgressDialog& progress, std::size_t done) {
                                                told.push_back(done);
                                                QCOMPARE(progress.value(), int(done));
                                                if (int(done) == cancelAfter) {
                                                    progress.cancel();
                                                }
                                            });
        QCOMPARE(told.size(), std::size_t(cancelAfter == 0 ? 3 : cancelAfter));
        COutcomeDlg dialog(nullptr, run);
        const QTableWidget* table = dialog.Table();
        QCOMPARE(table->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            const bool added = outcomes[row] == "Added";
            QCOMPARE(table->item(row, 0)->text(), files[row]);
            QCOMPARE(table->item(row, 1)->text(), QFileInfo(files[row]).baseName().toUpper());
            QCOMPARE(table->item(row, 2)->text(), outcomes[row]);
            QCOMPARE(table->item(row, 6)->text().isEmpty(), added);
            QCOMPARE(table->item(row, 3)->text().isEmpty(), !added);
        }
        QCOMPARE(table->item(0, 3)->text(), QString("2"));
        QCOMPARE(table->item(0, 4)->text(), QString("2024-01-02"));
        QCOMPARE(table->item(0, 5)->text(), QString("2024-01-03"));
        std::vector<SecurityEntry> entries;
        QVERIFY(ListSecurities(settings.pathOut, entries));
        QCOMPARE(int(entries.size()), listed);
    }
};

TORVAN_TEST_MAIN(SeveralFilesTest)
#include "SeveralFilesTest.moc"
