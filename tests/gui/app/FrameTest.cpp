// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: placement, menu, accelerators, toolbar, status bar and
// the help commands, on a running application.
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QShortcutEvent>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "gui/app/AboutDlg.h"
#include "gui/app/Commands.h"
#include "gui/app/HelpContexts.h"
#include "gui/app/HelpWindow.h"
#include "gui/app/TorvanView.h"
#include "tests/gui/app/AppFixture.h"
#include "tests/gui/app/AppTestSupport.h"

Q_DECLARE_METATYPE(torvan::Placement)

using namespace torvan;
using namespace torvan::test;

namespace {

Placement Stored(CProfileStore& store) {
    return ReadPlacement(store);
}

// The visible items of a menu: their texts, "-" for a separator.
QStringList Items(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isVisible()) {
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
    }
    return items;
}

QToolButton* ButtonOf(CMainFrame& frame, int command) {
    return qobject_cast<QToolButton*>(frame.ToolBar()->widgetForAction(frame.Action(command)));
}

bool WaitActive(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Notes the actions a key press reaches and stops it there, so that no
// command runs.
class ShortcutCatcher : public QObject {
  public:
    QList<QAction*> Press(QWidget& window, const QKeySequence& key) {
        m_reached.clear();
        QTest::keySequence(&window, key);
        return m_reached;
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut) {
            return false;
        }
        // An ambiguous key is noted twice, so that it never passes for one.
        m_reached << qobject_cast<QAction*>(watched);
        if (static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
            m_reached << nullptr;
        }
        return true;
    }

  private:
    QList<QAction*> m_reached;
};

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

  private slots:
    void firstStartCentresOnTheWorkAreaAndRemembers() {
        AppFixture fixture({1024, 738});
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.pos(), QPoint(77, 55));
        QCOMPARE(frame.size(), QSize(870, 627));
        QTRY_COMPARE(Stored(fixture.App().m_profile), (Placement{77, 55, 870, 627}));
        QCOMPARE(fixture.App().m_profile.GetString("Screen", "x", ""), std::string("77"));
    }

    void invalidStoredPlacementIsReplaced_data() {
        QTest::addColumn<Placement>("stored");
        QTest::newRow("cx 0") << Placement{10, 10, 0, 400};
        QTest::newRow("x beyond the width") << Placement{1025, 10, 400, 400};
    }

    void invalidStoredPlacementIsReplaced() {
        QFETCH(Placement, stored);
        AppFixture fixture({1024, 738});
        WritePlacement(fixture.Profile(), stored);
        QVERIFY(fixture.Start());
        QCOMPARE(fixture.Frame().StartedAt(), (Placement{77, 55, 870, 627}));
        QCOMPARE(QRect(fixture.Frame().pos(), fixture.Frame().size()), QRect(77, 55, 870, 627));
    }

    void storedPlacementReachingPastTheScreenIsUsed() {
        AppFixture fixture({1024, 738});
        WritePlacement(fixture.Profile(), {600, 400, 700, 500});
        QVERIFY(fixture.Start());
        QCOMPARE(QRect(fixture.Frame().pos(), fixture.Frame().size()), QRect(600, 400, 700, 500));
    }

    void movesAreStoredClampedAndMaximisedFitsNextTime() {
        AppFixture fixture({1024, 738});
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.move(120, 90);
        QTRY_COMPARE(Stored(fixture.App().m_profile), (Placement{120, 90, 870, 627}));
        // A maximised window reported around the edges of the work area.
        frame.move(-4, -4);
        frame.resize(1024 + 8, 738 + 8);
        QTRY_COMPARE(Stored(fixture.App().m_profile), (Placement{0, 0, 1024, 738}));
        fixture.Stop();

        QVERIFY(fixture.Start());
        QCOMPARE(QRect(fixture.Frame().pos(), fixture.Frame().size()), QRect(0, 0, 1024, 738));
        QVERIFY(!fixture.Frame().isMaximized());
    }

    void nothingIsStoredWhileMinimised() {
        AppFixture fixture({1024, 738});
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTRY_COMPARE(Stored(fixture.App().m_profile), (Placement{77, 55, 870, 627}));
        frame.showMinimized();
        QTRY_VERIFY(frame.isMinimized());
        frame.move(300, 200);
        frame.resize(500, 400);
        frame.FlushPlacement();
        QTest::qWait(CMainFrame::kPlacementDelayMs * 2);
        QCOMPARE(Stored(fixture.App().m_profile), (Placement{77, 55, 870, 627}));
        // Restoring stores the restored placement.
        frame.showNormal();
        QTRY_COMPARE(Stored(fixture.App().m_profile), (Placement{300, 200, 500, 400}));
    }

    void captionMenuAndToolbar() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QCOMPARE(frame.windowTitle(), QString("Torvan"));
        QVERIFY(!frame.windowIcon().isNull());

        const QList<QAction*> menus = frame.menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QString("&File"));
        QCOMPARE(menus[1]->text(), QString("&View"));
        QCOMPARE(menus[2]->text(), QString("&Help"));
        QCOMPARE(Items(menus[0]->menu()),
                 QStringList({"&Open...\tCtrl+O", "&Settings...\tF2", "Convert Se&veral Files...",
                              "&Tutorial\tF3", "-", "Recent File", "-", "E&xit"}));
        QCOMPARE(Items(menus[1]->menu()), QStringList({"&Clear Window"}));
        QCOMPARE(Items(menus[2]->menu()),
                 QStringList({"&Help Topics", "&Tutorial\tF3", "-", "&About Torvan..."}));
        // Each item carries its command.
        QList<int> fileCommands;
        for (const QAction* action : menus[0]->menu()->actions()) {
            if (action->isVisible() && !action->isSeparator()) {
                fileCommands << action->data().toInt();
            }
        }
        QCOMPARE(fileCommands, QList<int>({57601, 32771, 32776, 32775, 57616, 57665}));
        QCOMPARE(menus[1]->menu()->actions().front()->data().toInt(), 32774);
        QList<int> helpCommands;
        for (const QAction* action : menus[2]->menu()->actions()) {
            if (!action->isSeparator()) {
                helpCommands << action->data().toInt();
            }
        }
        QCOMPARE(helpCommands, QList<int>({57667, 32775, 57664}));
        // The recent-file place is greyed while the list is empty; Settings
        // waits for a file.
        QVERIFY(!frame.Action(kIdFileMru1)->isEnabled());
        QVERIFY(!frame.Action(kIdSettings)->isEnabled());

        QStringList tools;
        for (const QAction* action : frame.ToolBar()->actions()) {
            tools << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
            if (!action->isSeparator()) {
                QVERIFY2(!action->icon().isNull(), qPrintable(action->toolTip()));
            }
        }
        QCOMPARE(tools, QStringList({"Open", "Settings", "Clear Window", "-", "About"}));
        QCOMPARE(frame.ToolBar()->iconSize(), QSize(16, 15));
        QCOMPARE(frame.ToolBar()->objectName(), QString("toolBar59392"));
        // Icons are drawn afresh for the screen's pixel density.
        const QPixmap sharp = frame.Action(kIdFileOpen)->icon().pixmap(QSize(16, 15), 2.0);
        QCOMPARE(sharp.size(), QSize(32, 30));
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        QVERIFY(!sharp.toImage().allGray());
    }

    // A key reaches its command in the whole window and only that one; the
    // key a menu item shows reaches the item's command.
    void eachKeyReachesOneCommand() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(WaitActive(frame));
        frame.setFocus();
        ShortcutCatcher catcher;
        QList<QPair<QKeySequence, QAction*>> keys;
        QSet<QString> distinct;
        for (QAction* action : frame.findChildren<QAction*>()) {
            action->setEnabled(true);  // Settings waits for a file otherwise
            action->installEventFilter(&catcher);
            for (const QKeySequence& key : action->shortcuts()) {
                keys.append({key, action});
                distinct.insert(key.toString(QKeySequence::PortableText));
            }
        }
        QVERIFY(!keys.isEmpty());
        QCOMPARE(distinct.size(), keys.size());  // no two actions share a key
        for (const auto& [key, action] : keys) {
            QCOMPARE(catcher.Press(frame, key), QList<QAction*>({action}));
        }
        int shown = 0;
        for (const QAction* menu : frame.menuBar()->actions()) {
            for (const QAction* item : menu->menu()->actions()) {
                const QString key = item->text().section(QLatin1Char('\t'), 1);
                if (!key.isEmpty()) {
                    ++shown;
                    const QList<QAction*> reached =
                        catcher.Press(frame, QKeySequence(key, QKeySequence::PortableText));
                    QCOMPARE(reached.size(), 1);
                    QCOMPARE(reached.front()->data(), item->data());
                }
            }
        }
        QVERIFY(shown > 0);
    }

    void everyCommandHasAPrompt() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QList<QAction*> commands = frame.ToolBar()->actions();
        for (const QAction* menu : frame.menuBar()->actions()) {
            commands << menu->menu()->actions();
        }
        for (const QAction* action : commands) {
            QVERIFY2(action->isSeparator() || !action->statusTip().isEmpty(),
                     qPrintable(action->text()));
        }

        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QString idle = frame.MessagePane()->text();
        QVERIFY(!idle.isEmpty());
        QVERIFY(frame.MessagePane()->isVisible());
        // Pointing at a toolbar button puts its prompt in the status bar.
        QToolButton* open = ButtonOf(frame, kIdFileOpen);
        QVERIFY(open != nullptr);
        QVERIFY(!open->toolTip().isEmpty());
        QTest::mouseMove(open);
        QTRY_COMPARE(frame.statusBar()->currentMessage(), frame.Action(kIdFileOpen)->statusTip());
        QTest::mouseMove(frame.GetActiveView()->viewport());
        QTRY_COMPARE(frame.statusBar()->currentMessage(), QString());
        QVERIFY(frame.MessagePane()->isVisible());
        QCOMPARE(frame.MessagePane()->text(), idle);
        // So does a menu item.
        frame.Action(kIdClearWindow)->showStatusText(&frame);
        QCOMPARE(frame.statusBar()->currentMessage(), frame.Action(kIdClearWindow)->statusTip());
    }

    void keysReachTheirCommands() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(WaitActive(frame));

        // F3: the tutorial, by its context number.
        QTest::keyClick(&frame, Qt::Key_F3);
        QCOMPARE(frame.LastHelpContext(), 131205);
        QTRY_VERIFY(frame.HelpWindow() != nullptr && frame.HelpWindow()->isVisible());
        QCOMPARE(frame.HelpWindow()->CurrentPage(), QUrl("qrc:/help/tutorial.html"));
        QVERIFY(frame.HelpWindow()->Browser()->toPlainText().contains("Tutorial"));

        QVERIFY(WaitActive(frame));
        // F1 in the window itself: the contents.
        QTest::keyClick(&frame, Qt::Key_F1);
        QCOMPARE(frame.LastHelpContext(), kHelpMainFrame);
        QCOMPARE(frame.HelpWindow()->CurrentPage(), QUrl("qrc:/help/index.html"));

        // Help Topics: the contents too.
        frame.HelpWindow()->ShowContext(kHelpTutorial);
        frame.Action(kIdHelpFinder)->trigger();
        QCOMPARE(frame.HelpWindow()->CurrentPage(), QUrl("qrc:/help/index.html"));

        // Ctrl+N empties the pane; F2 does nothing before a file is opened.
        QVERIFY(WaitActive(frame));
        frame.GetActiveView()->SetPaneText("something");
        QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(frame.GetActiveView()->toPlainText(), QString());
        QTest::keyClick(&frame, Qt::Key_F2);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void paneIsReadOnlyButCopies() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        CTorvanView* view = frame.GetActiveView();
        QVERIFY(WaitActive(frame));
        view->SetPaneText("20240102,1.5,2.5");
        view->setFocus();
        view->selectAll();
        QApplication::clipboard()->setText("pasted");
        QTest::keyClicks(view, "typed");
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Insert, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Backspace);
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->toPlainText(), QString("20240102,1.5,2.5"));
        view->selectAll();
        QApplication::clipboard()->clear();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("20240102,1.5,2.5"));
        QApplication::clipboard()->clear();
        frame.Action(kIdEditCopy)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("20240102,1.5,2.5"));
        // Save has nothing to write and asks nothing.
        frame.Action(kIdFileSave)->trigger();
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void contextHelpModePicksTheClickedObject() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(WaitActive(frame));
        QTest::keyClick(&frame, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(frame.InHelpMode());
        QCOMPARE(frame.MessagePane()->text(), QString("Select an object on which to get Help"));
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);

        // Clicking the Open button explains Open instead of running it.
        QTest::mouseClick(ButtonOf(frame, kIdFileOpen), Qt::LeftButton);
        QVERIFY(!frame.InHelpMode());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(frame.MessagePane()->text(), QString("For Help, press F1"));
        QCOMPARE(frame.LastHelpContext(), 0x10000 + 57601);
        QCOMPARE(frame.HelpWindow()->CurrentPage(), QUrl("qrc:/help/window.html#open"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        // The pane and the status bar have pages of their own.
        QVERIFY(WaitActive(frame));
        frame.Action(kIdContextHelp)->trigger();
        QTest::mouseClick(frame.GetActiveView()->viewport(), Qt::LeftButton);
        QCOMPARE(frame.LastHelpContext(), kHelpPane);
        frame.Action(kIdContextHelp)->trigger();
        QTest::mouseClick(frame.statusBar(), Qt::LeftButton);
        QCOMPARE(frame.LastHelpContext(), kHelpStatusBar);

        // Escape leaves the mode without help.
        QVERIFY(WaitActive(frame));
        frame.Action(kIdContextHelp)->trigger();
        const int before = frame.LastHelpContext();
        QTest::keyClick(&frame, Qt::Key_Escape);
        QVERIFY(!frame.InHelpMode());
        QCOMPARE(frame.LastHelpContext(), before);
    }

    void contextHelpOnAMenuItemDoesNotRunIt() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(WaitActive(frame));
        frame.Action(kIdContextHelp)->trigger();
        QMenu* file = frame.FileMenu();
        file->popup(frame.mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        const QRect exit = file->actionGeometry(frame.Action(kIdAppExit));
        QTest::mouseClick(file, Qt::LeftButton, {}, exit.center());
        QCOMPARE(frame.LastHelpContext(), 0x10000 + 57665);
        QCOMPARE(frame.HelpWindow()->CurrentPage(), QUrl("qrc:/help/window.html#exit"));
        QVERIFY(frame.isVisible());
        QTRY_VERIFY(!file->isVisible());
    }

    void f1InAMenuExplainsTheHighlightedItem() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        QVERIFY(WaitActive(frame));
        QMenu* file = frame.FileMenu();
        file->popup(frame.mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        file->setActiveAction(frame.Action(kIdAppExit));
        QCOMPARE(file->activeAction(), frame.Action(kIdAppExit));
        QTest::keyClick(file, Qt::Key_F1);
        QCOMPARE(frame.LastHelpContext(), 0x10000 + 57665);
        QCOMPARE(frame.HelpWindow()->CurrentPage(), QUrl("qrc:/help/window.html#exit"));
        QVERIFY(frame.isVisible());
        QTRY_VERIFY(!file->isVisible());
    }

    void f1InADialogExplainsTheDialogAndTheHelpOutlivesIt() {
        AppFixture fixture;
        QVERIFY(fixture.Start());
        CMainFrame& frame = fixture.Frame();
        ModalScript script;
        QPointer<QWidget> helpParent;
        script.Then([&](QWidget* dialog) {
            QVERIFY(dialog->inherits("torvan::CAboutDlg"));
            QTest::keyClick(dialog, Qt::Key_F1);
            QVERIFY(frame.HelpWindow() != nullptr);
            helpParent = frame.HelpWindow()->parentWidget();
            static_cast<QDialog*>(dialog)->accept();
        });
        frame.Action(kIdAppAbout)->trigger();
        QVERIFY(script.Done());
        QCOMPARE(frame.LastHelpContext(), kHelpAboutDlg);
        QVERIFY(helpParent.isNull() || helpParent != &frame);
        // The help window was usable over the modal box and stays open.
        QVERIFY(frame.HelpWindow() != nullptr);
        QCOMPARE(frame.HelpWindow()->parentWidget(), &frame);
        QVERIFY(frame.HelpWindow()->isVisible());
        QCOMPARE(frame.HelpWindow()->CurrentPage(), QUrl("qrc:/help/window.html#about"));
    }
};

TORVAN_TEST_MAIN(FrameTest)
#include "FrameTest.moc"
