// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of the desktop program that need no window: placement rules,
// the File > Open proposal, the recent-file list and the preview reader.
#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/app/OpenProposal.h"
#include "gui/app/Placement.h"
#include "gui/app/Preview.h"
#include "gui/app/RecentFileList.h"
#include "settings/ProfileStore.h"
#include "tests/gui/app/AppTestSupport.h"

using namespace torvan;

namespace {

QList<QByteArray> Segments(const QByteArray& content, int max = kPreviewSegments) {
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    return ReadPreviewSegments(buffer, max);
}

}  // namespace

class UnitsTest : public QObject {
    Q_OBJECT

  private slots:
    void startPlacementOnFirstRun() {
        const Placement p = StartPlacement({}, 1024, 738);
        QCOMPARE(p, (Placement{77, 55, 870, 627}));
        // Single precision: 2000 * 0.85f is exactly 1700 (a double product
        // truncates to 1699).
        const Placement wide = StartPlacement({}, 2000, 1000);
        QCOMPARE(wide.cx, 1700);
        QCOMPARE(wide.cy, 850);
        QCOMPARE(wide.x, 150);
        QCOMPARE(wide.y, 75);
    }

    void startPlacementRejectsImplausibleValues_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("cx");
        QTest::addColumn<int>("cy");
        QTest::newRow("cx 0") << 10 << 10 << 0 << 400;
        QTest::newRow("cy 0") << 10 << 10 << 400 << 0;
        QTest::newRow("negative x") << -1 << 10 << 400 << 400;
        QTest::newRow("negative y") << 10 << -1 << 400 << 400;
        QTest::newRow("wider than the area") << 0 << 0 << 1025 << 400;
        QTest::newRow("taller than the area") << 0 << 0 << 400 << 739;
        QTest::newRow("x beyond the area") << 1025 << 0 << 400 << 400;
        QTest::newRow("y beyond the area") << 0 << 739 << 400 << 400;
    }

    void startPlacementRejectsImplausibleValues() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, cx);
        QFETCH(int, cy);
        QCOMPARE(StartPlacement({x, y, cx, cy}, 1024, 738), (Placement{77, 55, 870, 627}));
    }

    void startPlacementKeepsPlausibleValues() {
        // The right and bottom edges may lie beyond the area.
        QCOMPARE(StartPlacement({1000, 700, 1024, 738}, 1024, 738),
                 (Placement{1000, 700, 1024, 738}));
        QCOMPARE(StartPlacement({0, 0, 1, 1}, 1024, 738), (Placement{0, 0, 1, 1}));
        QCOMPARE(StartPlacement({1024, 738, 200, 100}, 1024, 738),
                 (Placement{1024, 738, 200, 100}));
    }

    void clampPlacement() {
        // A maximised window reported around the area's edges.
        QCOMPARE(ClampPlacement({-4, -4, 1032, 746}, 1024, 738), (Placement{0, 0, 1024, 738}));
        // Only the corner's lower bounds and the size's upper bounds are set.
        QCOMPARE(ClampPlacement({900, 600, 500, 400}, 1024, 738), (Placement{900, 600, 500, 400}));
        QCOMPARE(ClampPlacement({-30, 20, 2000, 100}, 1024, 738), (Placement{0, 20, 1024, 100}));
    }

    void firstRunProposesTheInstalledSampleWhenHereIsNone() {
        QTemporaryDir root;
        const QString here = root.filePath("home");
        const QString bin = root.filePath("usr/bin");
        const QString samples = root.filePath("usr/share/torvan/samples");
        QVERIFY(QDir().mkpath(here) && QDir().mkpath(bin) && QDir().mkpath(samples));
        QCOMPARE(SampleFolder(here, bin), here);  // none anywhere
        QVERIFY(QFile(samples + "/ibm.txt").open(QIODevice::WriteOnly));
        QCOMPARE(SampleFolder(here, bin), QDir::toNativeSeparators(samples));
        QVERIFY(QFile(here + "/ibm.txt").open(QIODevice::WriteOnly));
        QCOMPARE(SampleFolder(here, bin), here);
    }

    void openProposal() {
#ifndef Q_OS_WIN
        QCOMPARE(OpenProposal("/data/ibm.txt", 1, "/home/u"), QString("/data/*.*"));
        QCOMPARE(OpenProposal("/data/prices/ibm.txt", 0, "/home/u"), QString("/data/prices/*.*"));
        // A file in the root proposes the root, not the file itself.
        QCOMPARE(OpenProposal("/ibm.txt", 0, "/home/u"), QString("/*.*"));
        // A backslash is part of a name here.
        QCOMPARE(OpenProposal("/data/a\\b.txt", 0, "/x"), QString("/data/*.*"));
        // First run: the sample in the current directory.
        QCOMPARE(OpenProposal("", 1, "/home/u"), QString("/home/u/ibm.txt"));
        QCOMPARE(OpenProposal("", 7, "/"), QString("/ibm.txt"));
        QCOMPARE(OpenProposal("", 0, "/home/u"), QString("*.*"));
        QCOMPARE(OpenProposal("ibm.txt", 1, "/home/u"), QString("*.*"));

        QCOMPARE(SplitProposal("/data/*.*").directory, QString("/data"));
        QCOMPARE(SplitProposal("/data/*.*").fileName, QString());
        QCOMPARE(SplitProposal("/*.*").directory, QString("/"));
        QCOMPARE(SplitProposal("/home/u/ibm.txt").directory, QString("/home/u"));
        QCOMPARE(SplitProposal("/home/u/ibm.txt").fileName, QString("ibm.txt"));
        QCOMPARE(SplitProposal("*.*").directory, QString());
        QCOMPARE(SplitProposal("*.*").fileName, QString());
#else
        QCOMPARE(OpenProposal("C:\\data\\ibm.txt", 1, "C:\\u"), QString("C:\\data\\*.*"));
        QCOMPARE(OpenProposal("C:\\ibm.txt", 1, "C:\\u"), QString("C:\\*.*"));
        QCOMPARE(OpenProposal("", 1, "C:\\u"), QString("C:\\u\\ibm.txt"));
        QCOMPARE(OpenProposal("", 1, "C:\\"), QString("C:\\ibm.txt"));
        QCOMPARE(SplitProposal("C:\\*.*").directory, QString("C:\\"));
#endif
    }

    void recentFileList() {
        QTemporaryDir dir;
        CProfileStore store;
        bool created = false;
        QVERIFY(store.Open(dir.path().toStdString(), "Software\\Quennel\\Torvan", created));
        CRecentFileList list;
        list.Load(store);
        QVERIFY(list.Entries().isEmpty());
        for (const char* path : {"/a/1.txt", "/a/2.txt", "/a/3.txt", "/a/4.txt", "/a/5.txt"}) {
            list.Add(QString::fromLatin1(path));
        }
        QCOMPARE(list.Entries(), QStringList({"/a/5.txt", "/a/4.txt", "/a/3.txt", "/a/2.txt"}));
        // Opening a listed file again moves it to the top, once.
        list.Add("/a/3.txt");
        QCOMPARE(list.Entries(), QStringList({"/a/3.txt", "/a/5.txt", "/a/4.txt", "/a/2.txt"}));
        list.Save(store);
        QCOMPARE(store.GetString("Recent File List", "File1", ""), std::string("/a/3.txt"));
        QCOMPARE(store.GetString("Recent File List", "File4", ""), std::string("/a/2.txt"));

        list.Remove("/a/5.txt");
        list.Save(store);
        CRecentFileList reloaded;
        reloaded.Load(store);
        QCOMPARE(reloaded.Entries(), QStringList({"/a/3.txt", "/a/4.txt", "/a/2.txt"}));
        QCOMPARE(store.GetString("Recent File List", "File4", "gone"), std::string());
    }

    void recentFileMenuText() {
        QCOMPARE(CRecentFileList::MenuText(0, "/data/ibm.txt"), QString("&1 /data/ibm.txt"));
        QCOMPARE(CRecentFileList::MenuText(3, "/data/A&B.txt"), QString("&4 /data/A&&B.txt"));
        const QString longPath = "/" + QString(80, 'd') + "/prices.csv";
        const QString text = CRecentFileList::MenuText(1, longPath);
        QVERIFY(text.startsWith("&2 /ddd"));
        QVERIFY(text.endsWith(".../prices.csv"));
        QVERIFY(text.size() < 70);
    }

    void previewHeader() {
        QCOMPARE(PreviewHeader("/data/ibm.txt"),
                 QString("To help you with the conversion settings, your file...\r\n\r\n"
                         "\t/data/ibm.txt\r\n\r\nlooks like this...\r\n\r\n"));
        const QString longPath = "/" + QString(300, 'x');
        QVERIFY(PreviewHeader(longPath).contains("\t/" + QString(259, 'x') + "\r\n"));
        QVERIFY(!PreviewHeader(longPath).contains(QString(260, 'x')));
    }

    void previewSegments() {
        // CR LF and LF both end a line; the line ends are not kept.
        QCOMPARE(Segments("a,1\r\nb,2\r\nc,3\r\n"), QList<QByteArray>({"a,1", "b,2", "c,3"}));
        QCOMPARE(Segments("a\nb"), QList<QByteArray>({"a", "b"}));
        QCOMPARE(Segments(""), QList<QByteArray>());
        QCOMPARE(Segments("\n\n"), QList<QByteArray>({"", ""}));
        // A lone CR ends a line (classic Mac files); CRs before an LF are
        // one line end with it.
        QCOMPARE(Segments("a\rb\r\rc\r\r\nd"), QList<QByteArray>({"a", "b", "", "c", "d"}));

        QByteArray many;
        for (int i = 1; i <= 25; ++i) {
            many += "line " + QByteArray::number(i) + "\r\n";
        }
        const auto ten = Segments(many);
        QCOMPARE(ten.size(), 10);
        QCOMPARE(ten.front(), QByteArray("line 1"));
        QCOMPARE(ten.back(), QByteArray("line 10"));

        // 700 characters: 299, 299 and 102, then only 7 further lines.
        const QByteArray longLine(700, 'x');
        const auto cut = Segments(longLine + "\r\n" + many);
        QCOMPARE(cut.size(), 10);
        QCOMPARE(cut[0], QByteArray(299, 'x'));
        QCOMPARE(cut[1], QByteArray(299, 'x'));
        QCOMPARE(cut[2], QByteArray(102, 'x'));
        QCOMPARE(cut[3], QByteArray("line 1"));
        QCOMPARE(cut[9], QByteArray("line 7"));

        // A CR LF straddling the limit still counts as one line feed.
        const auto edge = Segments(QByteArray(298, 'y') + "\r\nz\n");
        QCOMPARE(edge, QList<QByteArray>({QByteArray(298, 'y'), "z"}));

        // Text after a NUL byte is not shown.
        QCOMPARE(Segments(QByteArray("ab\0cd\nef\n", 9)), QList<QByteArray>({"ab", "ef"}));
    }

    void previewDecoding() {
        // UTF-8 split by the segment limit is decoded whole.
        const QByteArray euro = "\xE2\x82\xAC";
        const QByteArray line = QByteArray(298, 'a') + euro + "\n";
        const QStringList texts = DecodeSegments(Segments(line));
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts[0], QString(298, 'a'));
        QCOMPARE(texts[1], QString(QChar(0x20AC)));
        // Not UTF-8: shown as Latin-1 rather than as replacement marks.
        QCOMPARE(DecodeSegments({"Z\xFCrich"}), QStringList({QString::fromUtf8("Z\xC3\xBCrich")}));
    }

    void previewOfUtf16FilesShowsTheirText() {
        // Saved as "Unicode text" either way round: shown as the lines the
        // conversion reads, not as the raw bytes.
        QTemporaryDir dir;
        const QString text = QStringLiteral("Date,Close\r\n01/02/2024,101.5\r\n");
        for (const bool bigEndian : {false, true}) {
            QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF", 2) : QByteArray("\xFF\xFE", 2);
            for (const QChar c : text) {
                const char high = static_cast<char>(c.unicode() >> 8);
                const char low = static_cast<char>(c.unicode() & 0xFF);
                bytes += bigEndian ? QByteArray{&high, 1} + QByteArray{&low, 1}
                                   : QByteArray{&low, 1} + QByteArray{&high, 1};
            }
            const QString path = dir.filePath(QStringLiteral("u.txt"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
            file.close();
            QList<QByteArray> segments;
            QVERIFY(ReadPreviewFile(path, segments));
            QCOMPARE(segments, QList<QByteArray>({"Date,Close", "01/02/2024,101.5"}));
        }
        QList<QByteArray> none;
        QVERIFY(!ReadPreviewFile(dir.filePath(QStringLiteral("missing.txt")), none));
    }
};

TORVAN_TEST_MAIN(UnitsTest)
#include "UnitsTest.moc"
