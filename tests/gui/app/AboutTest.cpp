// SPDX-License-Identifier: GPL-3.0-or-later
// The About box and its hyperlinks: looks, hover, the pause after a click,
// the target handed to the desktop, failures, and the visited colour that
// lasts for the run.
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "gui/app/AboutDlg.h"
#include "gui/app/Commands.h"
#include "gui/app/ProjectInfo.h"
#include "gui/app/StaticLink.h"
#include "tests/gui/app/AppFixture.h"
#include "tests/gui/app/AppTestSupport.h"

using namespace torvan;
using namespace torvan::test;

// Stands in for the desktop's e-mail program and browser.
class FakeDesktop : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened << url; }
};

namespace {

// Whether any pixel of the link's text is drawn in this colour.
bool DrawnIn(CStaticLink* link, const QColor& colour) {
    const QImage image = link->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF)) {
                return true;
            }
        }
    }
    return false;
}

QPoint Outside(CStaticLink* link) {
    return QPoint(link->width() / 2, link->height() + 12);
}

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT

  private:
    FakeDesktop m_desktop;

  private slots:
    void init() {
        m_desktop.opened.clear();
        QDesktopServices::setUrlHandler("mailto", &m_desktop, "open");
        QDesktopServices::setUrlHandler("https", &m_desktop, "open");
        QDesktopServices::setUrlHandler("http", &m_desktop, "open");
    }

    void cleanup() {
        QDesktopServices::unsetUrlHandler("mailto");
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("http");
        CStaticLink::ResetDesktop();
    }

    void theBoxSaysWhatTheProgramIs() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        QStringList texts;
        QStringList groups;
        QString mail;
        QString web;
        ModalScript script;
        script.Then([&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("About Torvan"));
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                texts << label->text();
            }
            for (const QGroupBox* group : dialog->findChildren<QGroupBox*>()) {
                groups << group->title();
            }
            mail = dialog->findChild<CStaticLink*>("link1022")->text();
            web = dialog->findChild<CStaticLink*>("link1023")->text();
            auto* ok = dialog->findChild<QPushButton*>();
            QVERIFY(ok != nullptr && ok->isDefault());
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        fixture.Frame().Action(kIdAppAbout)->trigger();
        QVERIFY(script.Done());
        QVERIFY(texts.contains(QString("Torvan Version ") + kVersion));
        QVERIFY(
            texts.contains("Converts historical financial data in ASCII form to data in "
                           "MetaStock or CompuTrac format"));
        QCOMPARE(groups, QStringList({"What Torvan Does", "Legal Stuff"}));
        const QString legal = texts.filter("protected").join("");
        QVERIFY(legal.contains("protected by copyright law"));
        QVERIFY(legal.contains("MetaStock") && legal.contains("CompuTrac"));
        QVERIFY(texts.filter("Torvan project").size() >= 2);
        QCOMPARE(mail, QString(kContactAddress));
        QCOMPARE(web, QString(kHomePage));
    }

    void linksLookLikeLinksAndFollowThePointer() {
        int visited[2] = {0, 0};
        CAboutDlg box(visited);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        CStaticLink* mail = box.m_mailLink;
        // Set apart from the text around it, in the colour it is drawn in.
        QVERIFY(mail->TextColor() != box.palette().color(QPalette::WindowText));
        QCOMPARE(mail->TextColor(), box.m_webLink->TextColor());
        QVERIFY(DrawnIn(mail, mail->TextColor()));
        QVERIFY(!mail->IsHovering());

        // Onto the link: hand cursor, mouse held.
        QTest::mouseMove(mail, mail->rect().center());
        QTRY_VERIFY(mail->IsHovering());
        QCOMPARE(QWidget::mouseGrabber(), mail);
        QCOMPARE(mail->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(mail->cursor().hotSpot(), QPoint(0, 0));
        // Off it: arrow, mouse let go.
        QTest::mouseMove(mail, Outside(mail));
        QTRY_VERIFY(!mail->IsHovering());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
        QCOMPARE(mail->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(m_desktop.opened.isEmpty());
    }

    void clickingTheMailLinkWritesToTheContactAddress() {
        int visited[2] = {0, 0};
        CAboutDlg box(visited);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        CStaticLink* mail = box.m_mailLink;
        const QColor fresh = mail->TextColor();
        QTest::mouseMove(mail, mail->rect().center());
        QTRY_VERIFY(mail->IsHovering());
        QTest::mouseClick(mail, Qt::LeftButton, {}, mail->rect().center());
        QCOMPARE(m_desktop.opened, QList<QUrl>({QUrl(QString("mailto:") + kContactAddress)}));
        QCOMPARE(visited[0], 1);
        QCOMPARE(visited[1], 0);
        QVERIFY(!mail->IsHovering());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
        // Visited: another colour, drawn instead of the first.
        QVERIFY(mail->TextColor() != fresh);
        QVERIFY(mail->TextColor() != box.palette().color(QPalette::WindowText));
        QVERIFY(DrawnIn(mail, mail->TextColor()));
        QVERIFY(!DrawnIn(mail, fresh));

        // For a second the pointer is ignored.
        QVERIFY(mail->IsPausedAfterClick());
        QTest::mouseMove(mail, mail->rect().center() + QPoint(1, 0));
        QTest::mouseMove(mail, mail->rect().center());
        QVERIFY(!mail->IsHovering());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!mail->IsPausedAfterClick(), 3000);
        QTest::mouseMove(mail, mail->rect().center() + QPoint(2, 0));
        QTRY_VERIFY(mail->IsHovering());

        // Again: the same target, one prefix.
        QTest::mouseClick(mail, Qt::LeftButton, {}, mail->rect().center());
        QCOMPARE(m_desktop.opened.size(), 2);
        QCOMPARE(m_desktop.opened.last(), QUrl(QString("mailto:") + kContactAddress));
        QCOMPARE(mail->Target(), QString("mailto:") + kContactAddress);
    }

    void theWebLinkOpensItsTextAsItIs() {
        int visited[2] = {0, 0};
        CAboutDlg box(visited);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.m_webLink, Qt::LeftButton, {}, box.m_webLink->rect().center());
        QCOMPARE(m_desktop.opened, QList<QUrl>({QUrl(kHomePage)}));
        QCOMPARE(box.m_webLink->Target(), QString(kHomePage));
        QCOMPARE(visited[1], 1);
        QCOMPARE(visited[0], 0);
        // Keyboard users reach it too.
        box.m_webLink->setFocus();
        QTest::keyClick(box.m_webLink, Qt::Key_Space);
        QCOMPARE(m_desktop.opened.size(), 2);
    }

    void aTargetTheDesktopCannotOpenBeepsAndIsNotVisited() {
        int beeps = 0;
        QList<QUrl> tried;
        CStaticLink::SetDesktop(
            [&](const QUrl& url) {
                tried << url;
                return false;
            },
            [&] { ++beeps; });
        int visited[2] = {0, 0};
        CAboutDlg box(visited);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QColor fresh = box.m_webLink->TextColor();
        QTest::mouseClick(box.m_webLink, Qt::LeftButton, {}, box.m_webLink->rect().center());
        QCOMPARE(tried, QList<QUrl>({QUrl(kHomePage)}));
        QCOMPARE(beeps, 1);
        QCOMPARE(visited[1], 0);
        QCOMPARE(box.m_webLink->TextColor(), fresh);
        QVERIFY(DrawnIn(box.m_webLink, fresh));
        QVERIFY(box.m_webLink->IsPausedAfterClick());
    }

    void visitedLinksKeepTheirColourForTheRun() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        QColor fresh;
        QList<QColor> colours;
        ModalScript script;
        script.Then([&](QWidget* dialog) {
            auto* web = dialog->findChild<CStaticLink*>("link1023");
            fresh = web->TextColor();
            QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
            static_cast<QDialog*>(dialog)->accept();
        });
        script.Then([&](QWidget* dialog) {
            colours << dialog->findChild<CStaticLink*>("link1022")->TextColor()
                    << dialog->findChild<CStaticLink*>("link1023")->TextColor();
            static_cast<QDialog*>(dialog)->accept();
        });
        fixture.Frame().Action(kIdAppAbout)->trigger();
        fixture.Frame().Action(kIdAppAbout)->trigger();
        QVERIFY(script.Done());
        QCOMPARE(colours.size(), 2);
        QCOMPARE(colours[0], fresh);
        QVERIFY(colours[1] != fresh);
        QCOMPARE(fixture.App().m_linkVisited[1], 1);

        // A new run starts unvisited.
        fixture.Stop();
        QVERIFY(fixture.Start());
        QCOMPARE(fixture.App().m_linkVisited[1], 0);
    }

    void linkColoursComeFromThePalette() {
        int visited = 0;
        CStaticLink link;
        link.m_pVisited = &visited;
        link.setText("link");
        QPalette dark = link.palette();
        dark.setColor(QPalette::Link, QColor(0x80, 0xC0, 0xFF));
        dark.setColor(QPalette::LinkVisited, QColor(0xE0, 0xA0, 0xFF));
        link.setPalette(dark);
        link.show();
        QVERIFY(QTest::qWaitForWindowExposed(&link));
        QCOMPARE(link.TextColor(), QColor(0x80, 0xC0, 0xFF));
        QVERIFY(DrawnIn(&link, link.TextColor()));
        visited = 1;
        QCOMPARE(link.TextColor(), QColor(0xE0, 0xA0, 0xFF));
    }

    void aPictureLinkKeepsItsOwnLook() {
        QPixmap picture(24, 24);
        picture.fill(Qt::darkGreen);
        QWidget host;
        CStaticLink link(&host);
        link.setPixmap(picture);
        link.resize(40, 30);
        QLabel plain(&host);
        plain.setPixmap(picture);
        plain.resize(40, 30);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(link.grab().toImage(), plain.grab().toImage());
        // It is still a link.
        link.setText(QString());
        link.setPixmap(picture);
        QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
        QVERIFY(link.IsPausedAfterClick());
    }
};

TORVAN_TEST_MAIN(AboutTest)
#include "AboutTest.moc"
