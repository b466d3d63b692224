// SPDX-License-Identifier: GPL-3.0-or-later
// The help pages: every page and anchor that the program or a page links to
// exists, and every message the program can show is explained.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextBrowser>
#include <QtTest>

#include "gui/app/Commands.h"
#include "gui/app/HelpContexts.h"
#include "gui/app/HelpWindow.h"
#include "platform/MessageCatalogue.h"
#include "tests/gui/app/AppTestSupport.h"

using namespace torvan;

namespace {

QString Page(const QString& name) {
    QFile file(":/help/" + name);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QStringList Pages() {
    QStringList pages;
    QDirIterator it(":/help", {"*.html"});
    while (it.hasNext()) {
        pages << QFileInfo(it.next()).fileName();
    }
    pages.sort();
    return pages;
}

QSet<QString> Anchors(const QString& html) {
    QSet<QString> anchors;
    static const QRegularExpression name(QStringLiteral("<a name=\"([^\"]+)\""));
    for (const auto& match : name.globalMatch(html)) {
        anchors.insert(match.captured(1));
    }
    return anchors;
}

// "page.html#anchor" exists.
bool Resolves(const QString& target, QString* why) {
    const QString page = target.section('#', 0, 0);
    const QString anchor = target.section('#', 1);
    const QString html = Page(page);
    if (html.isEmpty()) {
        *why = "no page " + page;
        return false;
    }
    if (!anchor.isEmpty() && !Anchors(html).contains(anchor)) {
        *why = "no anchor " + anchor + " in " + page;
        return false;
    }
    return true;
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

  private slots:
    void everyContextHasItsPage() {
        QList<int> contexts = {kHelpMainFrame, kHelpTutorial, kHelpSettingsDlg,
                               kHelpChooseDir, kHelpAboutDlg, kHelpToolBar,
                               kHelpStatusBar, kHelpPane,     kHelpMessages};
        for (const int command : AllCommands()) {
            contexts << CommandHelpContext(command);
        }
        for (int id = kIdFileMru1; id <= kIdFileMru4; ++id) {
            contexts << CommandHelpContext(id);
        }
        for (const int context : contexts) {
            const QString url = HelpPageForContext(context);
            QVERIFY2(url.startsWith("qrc:/help/"), qPrintable(url));
            QString why;
            QVERIFY2(Resolves(url.mid(10), &why),
                     qPrintable(QString::number(context) + ": " + why));
        }
        QCOMPARE(HelpPageForContext(131205), QString("qrc:/help/tutorial.html"));
        QCOMPARE(HelpPageForContext(0), HelpContentsPage());
        QCOMPARE(HelpPageForContext(12345), HelpContentsPage());
    }

    void linksBetweenPagesResolve() {
        const QStringList pages = Pages();
        QVERIFY(pages.size() >= 7);
        static const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
        for (const QString& page : pages) {
            const QString html = Page(page);
            QVERIFY2(html.contains("<h1>"), qPrintable(page));
            for (const auto& match : href.globalMatch(html)) {
                QString target = match.captured(1);
                if (target.endsWith(".css")) {
                    QVERIFY2(QFile::exists(":/help/" + target), qPrintable(target));
                    continue;
                }
                if (target.startsWith('#')) {
                    target = page + target;
                }
                QString why;
                QVERIFY2(Resolves(target, &why), qPrintable(page + ": " + why));
            }
        }
    }

    void everyMessageIsExplained() {
        const QSet<QString> anchors = Anchors(Page("messages.html"));
        QStringList missing;
        for (const MessageEntry& entry : MessageCatalogue()) {
            if (!anchors.contains(QString::fromLatin1(entry.name))) {
                missing << entry.name;
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable("not explained: " + missing.join(", ")));
    }

    void theHelpWindowShowsPagesAndGoesBack() {
        CHelpWindow window;
        window.ShowContext(kHelpTutorial);
        QCOMPARE(window.CurrentPage(), QUrl("qrc:/help/tutorial.html"));
        QVERIFY(window.Browser()->toPlainText().contains("Tutorial: converting your first file"));
        window.ShowPage(QUrl("qrc:/help/date-formats.html"));
        QVERIFY(window.Browser()->toPlainText().contains("DDMMCCYY"));
        window.Browser()->backward();
        QCOMPARE(window.CurrentPage(), QUrl("qrc:/help/tutorial.html"));
        window.ShowContents();
        QCOMPARE(window.CurrentPage(), QUrl(HelpContentsPage()));
        // A link inside the help stays in the window.
        emit window.Browser()->anchorClicked(QUrl("settings.html#reverse"));
        QCOMPARE(window.CurrentPage(), QUrl("qrc:/help/settings.html#reverse"));
    }
};

TORVAN_TEST_MAIN(HelpTest)
#include "HelpTest.moc"
