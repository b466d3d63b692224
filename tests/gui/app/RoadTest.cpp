// SPDX-License-Identifier: GPL-3.0-or-later
// The road of a conversion through the desktop program: File > Open, the
// preview, the Conversion Settings dialog answered by the test, the outcome,
// the emptied pane, the new security, the recent-file list and the
// remembered folder; and the other ways into the open sequence.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "database/DatabaseReader.h"
#include "gui/app/Commands.h"
#include "gui/app/DatabasePanel.h"
#include "gui/app/TorvanDoc.h"
#include "gui/app/TorvanView.h"
#include "tests/gui/app/AppFixture.h"
#include "tests/gui/app/AppTestSupport.h"

using namespace torvan;
using namespace torvan::test;

namespace {

const QString kRealFile = QStringLiteral(TORVAN_REAL_DATA_DIR "/yahoo_orcl_1995-2014.csv");

QString Header(const QString& path) {
    return "To help you with the conversion settings, your file...\n\n\t" + path +
           "\n\nlooks like this...\n\n";
}

// The first lines of a file as the pane shows them.
QString FirstLines(const QString& path, int count) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QString lines;
    for (int i = 0; i < count && !file.atEnd(); ++i) {
        QByteArray line = file.readLine();
        line.replace("\r\n", "\n");
        lines += QString::fromUtf8(line);
    }
    return lines;
}

template <typename T>
T* Control(QWidget* dialog, const char* name) {
    T* control = dialog->findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) {
        qWarning("no control %s", name);
    }
    return control;
}

void Cancel(QWidget* dialog) {
    static_cast<QDialog*>(dialog)->reject();
}

// Answers a message box with its default button, noting its text.
ModalScript::Step Answer(QString* text) {
    return [text](QWidget* box) {
        auto* message = qobject_cast<QMessageBox*>(box);
        QVERIFY(message != nullptr);
        *text = message->text();
        message->accept();
    };
}

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

}  // namespace

class RoadTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_work;
    QString m_previousDir;

  private slots:
    void init() {
        QVERIFY(m_work.isValid());
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_work.path());
    }

    void cleanup() {
        QDir::setCurrent(m_previousDir);
        QDir(m_work.path()).removeRecursively();
        QDir().mkpath(m_work.path());
    }

    void wholeRoadFromAnEmptyProfile() {
        const QString input = m_work.filePath("orcl.csv");
        QVERIFY(QFile::copy(kRealFile, input));
        const QString database = m_work.filePath("db");
        QVERIFY(QDir().mkpath(database));

        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        CTorvanView& view = *frame.GetActiveView();
        QVERIFY(!frame.Action(kIdSettings)->isEnabled());

        QString previewSeen;
        QString outcome;
        ModalScript script;
        script.Then([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog != nullptr);
            // First run: the sample in the current directory is proposed.
            QCOMPARE(QDir(dialog->directory()).canonicalPath(),
                     QDir(m_work.path()).canonicalPath());
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name != nullptr);
            QCOMPARE(name->text(), QString("ibm.txt"));
            QCOMPARE(dialog->nameFilters(), QStringList({CTorvanApp::OpenFilter()}));
            // Typed as a user would (the dialog ignores selectFile while its
            // name field has the focus); it reads its folder in the
            // background, so type until the choice holds.
            QTRY_VERIFY([&] {
                name->setText(QFileInfo(input).fileName());
                return dialog->selectedFiles() == QStringList({input});
            }());
            static_cast<QDialog*>(dialog)->accept();
        });
        script.Then([&](QWidget* dialog) {
            QVERIFY(dialog->inherits("torvan::CSettingsDlg"));
            previewSeen = view.toPlainText();
            QCOMPARE(frame.windowTitle(), QString("Torvan"));
            Control<QCheckBox>(dialog, "check1035")->click();  // skip the header row
            Control<QLineEdit>(dialog, "edit1033")->setText("1");
            Control<QComboBox>(dialog, "combo1039")->setCurrentText("CCYY_MM_DD");
            Control<QLineEdit>(dialog, "edit1022")->setText("7");  // volume after Adj Close
            Control<QCheckBox>(dialog, "check1024")->click();      // no open interest
            Control<QLineEdit>(dialog, "edit1027")->setText(database);
            Control<QRadioButton>(dialog, "radio1029")->click();  // make a new MASTER
            Control<QLineEdit>(dialog, "edit1031")->setText("orcl");
            Control<QLineEdit>(dialog, "edit1032")->setText("Oracle");
            Control<QPushButton>(dialog, "IDOK")->click();
        });
        script.Then(Answer(&outcome));

        frame.Action(kIdFileOpen)->trigger();
        QElapsedTimer sinceReturn;
        sinceReturn.start();
        QVERIFY(script.Done());

        // The preview, exactly, while the dialog was up.
        QCOMPARE(previewSeen, Header(input) + FirstLines(input, 10));
        QVERIFY2(outcome.startsWith("Conversion completed successfully!\n\nORCL was written as "
                                    "F1.DAT: 5036 price records from 1995-01-03 to 2014-12-31"),
                 qPrintable(outcome));
        // The panel lists the folder written into with the new security chosen.
        const CDatabasePanel* panel = frame.DatabasePanel();
        QCOMPARE(QFileInfo(panel->Folder()).canonicalFilePath(),
                 QFileInfo(database).canonicalFilePath());
        QCOMPARE(panel->SelectedRow(), 0);
        QCOMPARE(panel->Securities().at(0).symbol, std::string("ORCL"));
        QVERIFY(panel->findChild<QLabel*>("conversionOutcome")->text().startsWith("ORCL was"));
        // The preview stays until the reset, about 100 ms later.
        QCOMPARE(view.toPlainText(), previewSeen);
        QTRY_COMPARE(view.toPlainText(), QString());
        QVERIFY(sinceReturn.elapsed() >= 90);
        QCOMPARE(fixture.App().Document()->PathName(), QString());
        QCOMPARE(frame.windowTitle(), QString("Torvan"));

        // The new security.
        SecurityRecords records;
        QCOMPARE(ReadSecurity(database.toStdString(), "ORCL", records), ReadResult::kOk);
        QCOMPARE(records.entry.record.SymbolText(), std::string("ORCL"));
        QCOMPARE(records.entry.record.NameText(), std::string("Oracle"));
        QCOMPARE(records.rows.size(), std::size_t(5036));
        QCOMPARE(records.entry.fieldNames,
                 std::vector<std::string>({"Date", "Open", "High", "Low", "Close", "Volume"}));
        QCOMPARE(records.rows.front().at(0), 950103.0F);
        QCOMPARE(records.rows.front().at(4), 2.117284F);
        QCOMPARE(records.rows.front().at(5), 36301200.0F);

        // What is remembered.
        CProfileStore& profile = fixture.App().m_profile;
        QCOMPARE(QString::fromStdString(profile.GetString("FileSel", "Starter", "")),
                 QDir::toNativeSeparators(input));
        QCOMPARE(profile.GetInt("Newbie", "Newbie2", 1), 0);
        QCOMPARE(fixture.App().RecentFiles().Entries(), QStringList({input}));
        QCOMPARE(QString::fromStdString(profile.GetString("Recent File List", "File1", "")), input);
        QVERIFY(frame.Action(kIdFileMru1)->isEnabled());
        QCOMPARE(frame.Action(kIdFileMru1)->text(), "&1 " + QDir::toNativeSeparators(input));
        QCOMPARE(profile.GetString("Import", "Symbol", ""), std::string("ORCL"));

        // Settings stays available for the same file, also after Clear Window.
        QVERIFY(frame.Action(kIdSettings)->isEnabled());
        view.SetPaneText("leftover");
        frame.Action(kIdClearWindow)->trigger();
        QCOMPARE(view.toPlainText(), QString());
        QVERIFY(frame.Action(kIdSettings)->isEnabled());
        QCOMPARE(view.InputFile(), input);

        // The next File > Open starts in the folder of that file, and the
        // list survives a restart.
        ModalScript again;
        again.Then([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog != nullptr);
            QCOMPARE(QDir(dialog->directory()).canonicalPath(),
                     QDir(m_work.path()).canonicalPath());
            QCOMPARE(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), QString());
            static_cast<QDialog*>(dialog)->reject();
        });
        frame.Action(kIdFileOpen)->trigger();
        QVERIFY(again.Done());
        QCOMPARE(QString::fromStdString(profile.GetString("FileSel", "Starter", "")),
                 QDir::toNativeSeparators(input));
        fixture.Stop();
        QVERIFY(fixture.Start());
        QCOMPARE(fixture.App().RecentFiles().Entries(), QStringList({input}));
        QVERIFY(!fixture.Frame().Action(kIdSettings)->isEnabled());
    }

    void recentFilesOpenWithoutTheFileDialog() {
        const QString a = m_work.filePath("a.txt");
        const QString b = m_work.filePath("b.txt");
        WriteFile(a, "010298,1,2,0.5,1.5,100,0\n");
        WriteFile(b, "010398,1,2,0.5,1.5,100,0\n");
        AppFixture fixture;
        fixture.Profile().WriteString("FileSel", "Starter", "/elsewhere/x.txt");
        fixture.Profile().WriteString("Recent File List", "File1", a.toStdString());
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        CTorvanView& view = *frame.GetActiveView();
        QCOMPARE(frame.Action(kIdFileMru1)->text(), "&1 " + QDir::toNativeSeparators(a));

        // The entry goes straight to the preview and the dialog; cancelling
        // still records the file.
        QString preview;
        ModalScript script;
        script.Then([&](QWidget* dialog) {
            QVERIFY(dialog->inherits("torvan::CSettingsDlg"));
            preview = view.toPlainText();
            Cancel(dialog);
        });
        frame.Action(kIdFileMru1)->trigger();
        QVERIFY(script.Done());
        QCOMPARE(preview, Header(a) + "010298,1,2,0.5,1.5,100,0\n");
        QTRY_COMPARE(view.toPlainText(), QString());
        QCOMPARE(fixture.App().m_profile.GetString("FileSel", "Starter", ""),
                 std::string("/elsewhere/x.txt"));
        QCOMPARE(fixture.App().m_profile.GetInt("Newbie", "Newbie2", 1), 1);

        script.Then(Cancel);
        fixture.App().OpenDocumentFile(b);
        QVERIFY(script.Done());
        QCOMPARE(fixture.App().RecentFiles().Entries(), QStringList({b, a}));
        QVERIFY(frame.Action(kIdFileMru1 + 1)->isVisible());
        QVERIFY(!frame.Action(kIdFileMru1 + 2)->isVisible());

        // F2 acts on the last file, without a preview.
        QTRY_COMPARE(view.toPlainText(), QString());
        script.Then([&](QWidget* dialog) {
            QVERIFY(dialog->inherits("torvan::CSettingsDlg"));
            preview = view.toPlainText();
            Cancel(dialog);
        });
        frame.Action(kIdSettings)->trigger();
        QVERIFY(script.Done());
        QCOMPARE(preview, QString());
        QCOMPARE(view.InputFile(), b);
    }

    void aResetDoesNotEmptyALaterPreview() {
        const QString a = m_work.filePath("a.txt");
        const QString b = m_work.filePath("b.txt");
        WriteFile(a, "first\n");
        WriteFile(b, "second\n");
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CTorvanView& view = *fixture.Frame().GetActiveView();
        QString during;
        ModalScript script;
        script.Then([&](QWidget* dialog) {
            Cancel(dialog);
            // The next file is opened before the first reset has run.
            QTimer::singleShot(0, &fixture.Frame(), [&] { fixture.App().OpenDocumentFile(b); });
        });
        script.Then([&](QWidget* dialog) {
            QTest::qWait(3 * CMainFrame::kResetDelayMs);
            during = view.toPlainText();
            Cancel(dialog);
        });
        fixture.App().OpenDocumentFile(a);
        QTRY_VERIFY(script.Done());
        QCOMPARE(during, Header(b) + "second\n");
        QTRY_COMPARE(view.toPlainText(), QString());
    }

    void previewOfCrLfAndShortFiles() {
        const QString crlf = m_work.filePath("crlf.txt");
        WriteFile(crlf, "01/02/04,10\r\n01/05/04,11\r\n01/06/04,12");
        const QString empty = m_work.filePath("empty.txt");
        WriteFile(empty, "");
        const QString longLine = m_work.filePath("long.txt");
        QByteArray content(700, '7');
        for (int i = 1; i <= 12; ++i) {
            content += "\nrow" + QByteArray::number(i);
        }
        WriteFile(longLine, content);

        AppFixture fixture;
        QVERIFY(fixture.Start());
        CTorvanView& view = *fixture.Frame().GetActiveView();
        QStringList previews;
        ModalScript script;
        for (int i = 0; i < 3; ++i) {
            script.Then([&](QWidget* dialog) {
                previews << view.toPlainText();
                Cancel(dialog);
            });
        }
        fixture.App().OpenDocumentFile(crlf);
        fixture.App().OpenDocumentFile(empty);
        fixture.App().OpenDocumentFile(longLine);
        QVERIFY(script.Done());
        // Each line followed by one line break and nothing else; the last
        // line without a line feed is shown whole.
        QCOMPARE(previews[0], Header(crlf) + "01/02/04,10\n01/05/04,11\n01/06/04,12\n");
        QCOMPARE(previews[1], Header(empty));
        QCOMPARE(previews[2], Header(longLine) + QString(299, '7') + "\n" + QString(299, '7') +
                                  "\n" + QString(102, '7') +
                                  "\nrow1\nrow2\nrow3\nrow4\nrow5\nrow6\nrow7\n");
    }

    void fileOnTheCommandLineOpensOnceTheWindowIsUp() {
        const QString input = m_work.filePath("given.txt");
        WriteFile(input, "010298,1,2,0.5,1.5,100,0\n");
        AppFixture fixture;
        bool windowWasUp = false;
        QString preview;
        ModalScript script;
        script.Then([&](QWidget* dialog) {
            windowWasUp = fixture.Frame().isVisible();
            preview = fixture.Frame().GetActiveView()->toPlainText();
            Cancel(dialog);
        });
        QVERIFY(fixture.Start({"torvan", "given.txt"}));
        QVERIFY(!script.Done());
        QTRY_VERIFY(script.Done());
        QVERIFY(windowWasUp);
        QCOMPARE(preview, Header(QDir::toNativeSeparators(input)) + "010298,1,2,0.5,1.5,100,0\n");
        QCOMPARE(fixture.App().RecentFiles().Entries(),
                 QStringList({QDir::toNativeSeparators(input)}));
    }

    void unreadableRecentFileIsReportedAndDropped() {
        const QString gone = m_work.filePath("gone.txt");
        AppFixture fixture;
        fixture.Profile().WriteString("Recent File List", "File1", gone.toStdString());
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QString text;
        ModalScript script;
        script.Then(Answer(&text));
        frame.Action(kIdFileMru1)->trigger();
        QVERIFY(script.Done());
        QVERIFY2(text.startsWith("Cannot open the file:\n" + QDir::toNativeSeparators(gone)),
                 qPrintable(text));
        QVERIFY(fixture.App().RecentFiles().Entries().isEmpty());
        QVERIFY(!frame.Action(kIdFileMru1)->isEnabled());
        QCOMPARE(frame.Action(kIdFileMru1)->text(), QString("Recent File"));
        QCOMPARE(frame.GetActiveView()->InputFile(), QString());
        QVERIFY(!frame.Action(kIdSettings)->isEnabled());
        QCOMPARE(fixture.App().m_profile.GetString("Recent File List", "File1", "x"),
                 std::string());
    }

    void firstStartImportsTheLegacySettingsFileOnce() {
        AppFixture fixture;
        // Where the store will be, and the legacy file beside it.
        std::string storeFile;
        {
            CProfileStore probe;
            bool created = false;
            QVERIFY(probe.Open(fixture.ProfileRoot(), CTorvanApp::kProfileBase, created));
            storeFile = probe.FilePath();
        }
        QVERIFY(QFile::remove(QString::fromStdString(storeFile)));
        const QString legacy =
            QFileInfo(QString::fromStdString(storeFile)).absolutePath() + "/Torvan.INI";
        WriteFile(legacy, "[Import]\nSymbol=IBM\nPathOut=/data/ms\n[Newbie]\nNewbie2=0\n");
        QVERIFY(fixture.Start());
        QVERIFY(fixture.App().ProfileCreated());
        QCOMPARE(fixture.App().m_profile.GetString("Import", "Symbol", ""), std::string("IBM"));
        QCOMPARE(fixture.App().m_profile.GetInt("Newbie", "Newbie2", 1), 0);
        fixture.Stop();

        WriteFile(legacy, "[Import]\nSymbol=MSFT\n");
        QVERIFY(fixture.Start());
        QVERIFY(!fixture.App().ProfileCreated());
        QCOMPARE(fixture.App().m_profile.GetString("Import", "Symbol", ""), std::string("IBM"));
    }
};

TORVAN_TEST_MAIN(RoadTest)
#include "RoadTest.moc"
