// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "gui/app/Commands.h"
#include "gui/app/DatabasePanel.h"
#include "gui/app/HelpContexts.h"
#include "gui/app/HelpWindow.h"
#include "gui/app/Icons.h"
#include "gui/app/RecentFileList.h"
#include "gui/app/TorvanApp.h"
#include "gui/app/TorvanDoc.h"
#include "gui/app/TorvanView.h"
#include "settings/ImportSettings.h"

namespace torvan {
namespace {

CMainFrame::WorkAreaSource& WorkAreaSourceRef() {
    static CMainFrame::WorkAreaSource source;
    return source;
}

int CommandOf(const QAction* action) {
    return action != nullptr ? action->data().toInt() : 0;
}

// The help context of a dialog or message box on top of the window.
int DialogContext(const QWidget* dialog) {
    const QString name = QString::fromLatin1(dialog->metaObject()->className());
    if (name.endsWith(QLatin1String("CSettingsDlg"))) {
        return kHelpSettingsDlg;
    }
    if (name.endsWith(QLatin1String("CChooseDir"))) {
        return kHelpChooseDir;
    }
    if (name.endsWith(QLatin1String("CAboutDlg"))) {
        return kHelpAboutDlg;
    }
    if (dialog->inherits("QMessageBox")) {
        return kHelpMessages;
    }
    if (dialog->inherits("QFileDialog")) {
        return CommandHelpContext(kIdFileOpen);
    }
    return kHelpMainFrame;
}

void ClosePopups() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
}

}  // namespace

void CMainFrame::SetWorkAreaSource(WorkAreaSource source) {
    WorkAreaSourceRef() = std::move(source);
}

QSize CMainFrame::WorkArea() {
    if (WorkAreaSourceRef()) {
        return WorkAreaSourceRef()();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        return screen->availableGeometry().size();
    }
    return {800, 600};
}

CMainFrame::CMainFrame(CTorvanApp& app) : m_app(app) {
    setObjectName(QStringLiteral("CMainFrame"));
    // The caption never names the open file.
    setWindowTitle(QStringLiteral("Torvan"));
    setWindowIcon(AppIcon());

    const QSize work = WorkArea();
    m_startPlacement = StartPlacement(ReadPlacement(m_app.m_profile), work.width(), work.height());
    move(m_startPlacement.x, m_startPlacement.y);
    resize(m_startPlacement.cx, m_startPlacement.cy);

    m_view = new CTorvanView(this);
    setCentralWidget(m_view);
    // The database the conversions write into, beside the file they read.
    m_panel = new CDatabasePanel(this);
    addDockWidget(Qt::RightDockWidgetArea, m_panel);
    resizeDocks({m_panel}, {width() * 3 / 5}, Qt::Horizontal);
    ImportSettings saved;
    saved.LoadForDialog(m_app.m_profile);
    m_panel->ShowFolder(QFile::decodeName(saved.pathOut.c_str()));

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    UpdateCommandStates();
    connect(m_view, &CTorvanView::inputFileChanged, this, &CMainFrame::UpdateCommandStates);

    // F1 in menus and dialogs, and the clicks of the help mode, are seen
    // before the widgets get them.
    qApp->installEventFilter(this);
    m_bPlacementReady = true;
}

CMainFrame::~CMainFrame() {
    EndHelpMode();
    FlushPlacement();
}

QAction* CMainFrame::Action(int command) const {
    const auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    std::vector<int> commands = AllCommands();
    for (int id = kIdFileMru1; id <= kIdFileMru4; ++id) {
        commands.push_back(id);
    }
    for (const int id : commands) {
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("command%1").arg(id));
        action->setData(id);
        action->setText(CommandTip(id).isEmpty() ? CommandPrompt(id) : CommandTip(id));
        action->setStatusTip(CommandPrompt(id));
        if (!CommandTip(id).isEmpty()) {
            action->setToolTip(CommandTip(id));
        }
        action->setIcon(CommandIcon(id));
        action->setIconVisibleInMenu(false);
        m_actions[id] = action;
    }
    for (const MenuDef& menu : MenuTable()) {
        for (const MenuItem& item : menu.items) {
            if (item.text != nullptr) {
                Action(item.command)->setText(QString::fromLatin1(item.text));
            }
        }
    }
    // Every command with keys keeps them in the whole window, also those
    // that have no menu item.
    std::map<int, QList<QKeySequence>> keys;
    for (const Accelerator& accelerator : AcceleratorTable()) {
        keys[accelerator.command].append(QKeySequence(accelerator.key));
    }
    for (const auto& [id, sequences] : keys) {
        Action(id)->setShortcuts(sequences);
        addAction(Action(id));
    }

    connect(Action(kIdFileOpen), &QAction::triggered, this, [this] { m_app.OnFileOpen(); });
    connect(Action(kIdFileNew), &QAction::triggered, this, [this] { m_app.OnFileNew(); });
    connect(Action(kIdAppAbout), &QAction::triggered, this, [this] { m_app.OnAppAbout(); });
    connect(Action(kIdAppExit), &QAction::triggered, this, &QWidget::close);
    connect(Action(kIdSettings), &QAction::triggered, m_view, [this] {
        if (m_view->OnUpdateSettings()) {
            m_view->OnSettings();
        }
    });
    connect(Action(kIdClearWindow), &QAction::triggered, m_view, &CTorvanView::OnClearWindow);
    connect(Action(kIdTutorial), &QAction::triggered, m_view, &CTorvanView::OnTutorial);
    connect(Action(kIdHelpFinder), &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    connect(Action(kIdDefaultHelp), &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    connect(Action(kIdHelp), &QAction::triggered, this, &CMainFrame::OnHelp);
    connect(Action(kIdContextHelp), &QAction::triggered, this, &CMainFrame::OnContextHelp);
    // The pane is read-only: of the edit commands only Copy does anything.
    connect(Action(kIdEditCopy), &QAction::triggered, m_view, &QPlainTextEdit::copy);
    // Save has nothing to write: the document holds no data, and saving it
    // must never overwrite the input file with an empty one. Cut, Paste,
    // Undo and the pane switches have nothing to act on either.
    for (int id = kIdFileMru1; id <= kIdFileMru4; ++id) {
        connect(Action(id), &QAction::triggered, this,
                [this, id] { m_app.OnOpenRecentFile(id - kIdFileMru1); });
    }
}

void CMainFrame::CreateMenus() {
    for (const MenuDef& def : MenuTable()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(def.title));
        menu->setObjectName(QString::fromLatin1(def.title).remove(QLatin1Char('&')) +
                            QStringLiteral("Menu"));
        for (const MenuItem& item : def.items) {
            if (item.command == kIdSeparator) {
                menu->addSeparator();
            } else if (item.command == kIdFileMru1) {
                for (int id = kIdFileMru1; id <= kIdFileMru4; ++id) {
                    menu->addAction(Action(id));
                }
            } else {
                menu->addAction(Action(item.command));
            }
        }
        if (m_fileMenu == nullptr) {
            m_fileMenu = menu;
        }
    }
    UpdateRecentFileMenu({});
}

void CMainFrame::CreateToolBar() {
    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar59392"));
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    for (const int id : ToolbarTable()) {
        if (id == kIdSeparator) {
            m_toolBar->addSeparator();
        } else {
            m_toolBar->addAction(Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::CreateStatusBar() {
    statusBar()->setObjectName(QStringLiteral("statusBar59393"));
    m_messagePane = new QLabel(IdleStatusText(), statusBar());
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    // A prompt shown on hover hides the pane until the pointer moves on.
    statusBar()->addWidget(m_messagePane, 1);
}

void CMainFrame::UpdateRecentFileMenu(const QStringList& entries) {
    for (int i = 0; i < CRecentFileList::kSize; ++i) {
        QAction* action = Action(kIdFileMru1 + i);
        if (i < entries.size()) {
            action->setText(CRecentFileList::MenuText(i, entries[i]));
            action->setEnabled(true);
            action->setVisible(true);
        } else if (i == 0) {
            action->setText(QStringLiteral("Recent File"));
            action->setEnabled(false);
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
}

void CMainFrame::UpdateCommandStates() {
    Action(kIdSettings)->setEnabled(m_view->OnUpdateSettings());
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == kResetDocEvent) {
        OnResetDoc(static_cast<CResetDocEvent*>(event)->Preview());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::OnResetDoc(quint64 preview) {
    // Without blocking the event loop; a reset that finds a newer preview
    // on show belongs to an earlier file and leaves the pane alone.
    QTimer::singleShot(kResetDelayMs, this, [this, preview] {
        if (m_view->PreviewCount() == preview) {
            m_app.Document()->OnNewDocument();
        }
    });
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    NotePlacement();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    NotePlacement();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        NotePlacement();
    }
}

void CMainFrame::NotePlacement() {
    if (!m_bPlacementReady || (windowState() & Qt::WindowMinimized)) {
        return;
    }
    const QSize work = WorkArea();
    const Placement reported{pos().x(), pos().y(), width(), height()};
    m_pendingPlacement = ClampPlacement(reported, work.width(), work.height());
    m_bPlacementPending = true;
    // Dragging gives many notifications; the last one is written.
    m_placementTimer.start(kPlacementDelayMs, this);
}

void CMainFrame::FlushPlacement() {
    m_placementTimer.stop();
    if (m_bPlacementPending) {
        m_bPlacementPending = false;
        WritePlacement(m_app.m_profile, m_pendingPlacement);
    }
}

void CMainFrame::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_placementTimer.timerId()) {
        FlushPlacement();
        return;
    }
    QMainWindow::timerEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    EndHelpMode();
    FlushPlacement();
    if (m_helpWindow) {
        m_helpWindow->close();
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::OnHelpFinder() {
    ShowHelp(0);
}

void CMainFrame::OnHelp() {
    if (HelpForOpenMenu()) {
        return;
    }
    const QWidget* modal = QApplication::activeModalWidget();
    ShowHelp(modal != nullptr ? DialogContext(modal) : kHelpMainFrame);
}

void CMainFrame::ShowHelp(int context) {
    EndHelpMode();
    m_nLastHelpContext = context;
    // Over a modal dialog the help has to belong to the dialog to be usable.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr || owner == m_helpWindow) {
        owner = this;
    }
    if (m_helpWindow && m_helpWindow->parentWidget() != owner) {
        const QRect geometry = m_helpWindow->geometry();
        m_helpWindow->setParent(owner, Qt::Window);
        m_helpWindow->setGeometry(geometry);
    }
    if (!m_helpWindow) {
        m_helpWindow = new CHelpWindow(owner);
    }
    if (context == 0) {
        m_helpWindow->ShowContents();
    } else {
        m_helpWindow->ShowContext(context);
    }
}

void CMainFrame::OnContextHelp() {
    if (m_bHelpMode) {
        EndHelpMode();
        return;
    }
    m_bHelpMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    statusBar()->clearMessage();
    m_messagePane->setText(HelpModeStatusText());
}

void CMainFrame::EndHelpMode() {
    if (!m_bHelpMode) {
        return;
    }
    m_bHelpMode = false;
    QApplication::restoreOverrideCursor();
    m_messagePane->setText(IdleStatusText());
}

bool CMainFrame::HelpForOpenMenu() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || !findChildren<QMenu*>().contains(menu)) {
        return false;
    }
    const int command = CommandOf(menu->activeAction());
    ClosePopups();
    ShowHelp(command != 0 ? CommandHelpContext(command) : kHelpMainFrame);
    return true;
}

int CMainFrame::ContextOfWidget(QWidget* widget) const {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (const auto* button = qobject_cast<QToolButton*>(w)) {
            if (const int command = CommandOf(button->defaultAction()); command != 0) {
                return CommandHelpContext(command);
            }
        }
        if (w == m_toolBar) {
            return kHelpToolBar;
        }
        if (w == statusBar()) {
            return kHelpStatusBar;
        }
        if (w == m_view) {
            return kHelpPane;
        }
        if (w->isWindow()) {
            break;
        }
    }
    return kHelpMainFrame;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Hide:
            break;
        default:
            return false;
    }
    if (event->type() == QEvent::Hide) {
        // A dialog that owned the help window is going: the help stays.
        if (m_helpWindow && watched == m_helpWindow->parentWidget() && watched != this) {
            const bool visible = m_helpWindow->isVisible();
            const QRect geometry = m_helpWindow->geometry();
            m_helpWindow->setParent(this, Qt::Window);
            m_helpWindow->setGeometry(geometry);
            if (visible) {
                m_helpWindow->show();
            }
        }
        return false;
    }
    if (m_bHelpMode && HandleHelpModeEvent(watched, event)) {
        return true;
    }
    return HandleHelpKey(watched, event);
}

bool CMainFrame::HandleHelpKey(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) {
        return false;
    }
    if (HelpForOpenMenu()) {
        return true;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != m_helpWindow && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == modal) {
        ShowHelp(DialogContext(modal));
        return true;
    }
    return false;
}

bool CMainFrame::HandleHelpModeEvent(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        QAction* action = nullptr;
        if (event->type() == QEvent::MouseButtonRelease) {
            action = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter) {
                return false;
            }
            action = menu->activeAction();
        } else {
            // A press only picks; the release decides.
            return event->type() != QEvent::KeyPress;
        }
        const int command = CommandOf(action);
        if (command == 0) {
            return true;
        }
        ClosePopups();
        ShowHelp(CommandHelpContext(command));
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
            QApplication::activePopupWidget() == nullptr) {
            EndHelpMode();
            return true;
        }
        return false;
    }
    if (event->type() != QEvent::MouseButtonPress) {
        return event->type() != QEvent::MouseButtonDblClick ? false : widget->window() == this;
    }
    if (widget->window() != this) {
        // A click outside the window ends the mode without help.
        EndHelpMode();
        return false;
    }
    if (qobject_cast<QMenuBar*>(widget) != nullptr) {
        // Menus open as usual, so that their items can be picked.
        return false;
    }
    ShowHelp(ContextOfWidget(widget));
    return true;
}

}  // namespace torvan
