// SPDX-License-Identifier: GPL-3.0-or-later
// The database panel: the securities of a folder (MASTER, EMASTER and
// XMASTER of databases written by other programs), a security's chart and
// records, and the security a conversion wrote selected afterwards.
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "engine/Converter.h"
#include "gui/app/DatabasePanel.h"
#include "gui/app/PriceChart.h"
#include "settings/ImportSettings.h"
#include "tests/gui/app/AppTestSupport.h"

using namespace torvan;

namespace {

const QString kVendor = QStringLiteral(TORVAN_REAL_DATA_DIR "/metastock/");

class Quiet : public IMessageSink {
  public:
    int Show(const Message& message) override { return DefaultAnswer(message.type); }
};

QStringList Column(const QTableWidget* list, int column) {
    QStringList cells;
    for (int r = 0; r < list->rowCount(); ++r) {
        cells << list->item(r, column)->text();
    }
    return cells;
}

}  // namespace

class PanelTest : public QObject {
    Q_OBJECT

  private slots:
    void listsVendorDatabases_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("firstRow");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("select");
        QTest::addColumn<int>("records");
        QTest::newRow("EMASTER and XMASTER")
            << "equis_b" << QStringList{"1",     ".DJX",       "1/100 Dow Jones INDU", "DOHLCVI",
                                        "Daily", "1997-09-23", "2011-12-27",           "1"}
            << QStringList{"1", "2", "256", "2853"} << 3 << 2;
        QTest::newRow("lower-case names, hundreds in XMASTER")
            << "futures_2yr_note"
            << QStringList{"1",     "TU2__1990U", "2-Year Note C 19", "DOHLCVI",
                           "Daily", "1990-06-22", "1990-09-19",       "62"}
            << QStringList() << 0 << 62;
    }
    void listsVendorDatabases() {
        QFETCH(QString, folder);
        QFETCH(QStringList, firstRow);
        QFETCH(QStringList, files);
        QFETCH(int, select);
        QFETCH(int, records);
        CDatabasePanel panel;
        panel.ShowFolder(kVendor + folder);
        auto* list = panel.findChild<QTableWidget*>("securityList");
        QVERIFY(list->rowCount() > 0);
        QStringList first;
        for (int c = 0; c < list->columnCount(); ++c) {
            first << list->item(0, c)->text();
        }
        QCOMPARE(first, firstRow);
        if (!files.isEmpty()) {
            QCOMPARE(Column(list, 0), files);
        }
        QCOMPARE(panel.SelectedRow(), -1);
        panel.SelectRow(select);
        QCOMPARE(panel.findChild<QTableView*>("recordTable")->model()->rowCount(), records);
        QVERIFY(panel.Chart()->ShowsCandles());
        QVERIFY(panel.Chart()->ViewStart().isValid());
    }

    // Candlesticks need high, low and close; otherwise a line of closes.
    // A zoom shows the range asked for, and the reset every record again.
    void chartKindsAndZoom() {
        const std::vector<std::vector<float>> rows = {
            {1200102, 1, 2, 0.5F, 1.5F}, {1200103, 1, 3, 1, 2}, {1200110, 2, 4, 1, 3}};
        const struct {
            std::vector<std::string> names;
            bool candles;
        } cases[] = {{{"Date", "Close"}, false},
                     {{"Date", "Volume", "Close"}, false},
                     {{"Date", "High", "Low", "Close"}, true},
                     {{"Date", "Open", "High", "Low", "Close"}, true}};
        CPriceChart chart;
        chart.resize(600, 400);
        for (const auto& c : cases) {
            chart.SetRecords(c.names, rows, QStringLiteral("T"));
            QCOMPARE(chart.ShowsCandles(), c.candles);
            QCOMPARE(chart.ViewStart().date(), QDate(2020, 1, 1));
            QCOMPARE(chart.ViewEnd().date(), QDate(2020, 1, 11));
            chart.ZoomTo(QDateTime(QDate(2020, 1, 3), QTime(0, 0)),
                         QDateTime(QDate(2020, 1, 4), QTime(0, 0)));
            QCOMPARE(chart.ViewStart().date(), QDate(2020, 1, 3));
            chart.ResetZoom();
            QCOMPARE(chart.ViewEnd().date(), QDate(2020, 1, 11));
        }
        chart.SetRecords({}, {}, QString());
        QVERIFY(!chart.ViewStart().isValid());
    }

    // A security added beside EMASTER and XMASTER is listed and selected.
    void selectsTheSecurityAConversionWrote() {
        QTemporaryDir temp;
        ImportSettings settings;
        settings.pathOut = QFile::encodeName(temp.path()).toStdString() + "/db";
        std::filesystem::copy(QFile::encodeName(kVendor).toStdString() + "equis_b",
                              settings.pathOut);
        const std::string input = QFile::encodeName(temp.path()).toStdString() + "/new.txt";
        QFile text(QFile::decodeName(input.c_str()));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("010298,1,2,0.5,1.5,100,0\n010598,1.5,2.5,1,2,200,0\n");
        text.close();
        settings.symbol = "NEW";
        CConverter job;
        settings.ApplyTo(job, input, 9);  // MMDDYY
        Quiet quiet;
        job.m_pSink = &quiet;
        QCOMPARE(job.Run(), 0);

        CDatabasePanel panel;
        panel.ShowFolder(QString::fromStdString(settings.pathOut));
        panel.SelectRow(0);
        panel.ShowConversion(QString::fromStdString(settings.pathOut), job.Result().fileNumber,
                             job.m_bInXMaster, QStringLiteral("written"));
        QCOMPARE(panel.Securities().size(), std::size_t(5));
        const int row = panel.SelectedRow();
        QVERIFY(row >= 0);
        QCOMPARE(panel.Securities()[static_cast<std::size_t>(row)].symbol, std::string("NEW"));
        QCOMPARE(panel.findChild<QTableView*>("recordTable")->model()->rowCount(), 2);
        QCOMPARE(panel.Chart()->ViewStart().date(), QDate(1998, 1, 1));
    }
};

TORVAN_TEST_MAIN(PanelTest)
#include "PanelTest.moc"
