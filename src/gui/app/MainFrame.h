// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBasicTimer>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <functional>
#include <map>

#include "gui/app/HelpWindow.h"
#include "gui/app/Placement.h"

class QLabel;
class QMenu;
class QToolBar;

namespace torvan {

class CDatabasePanel;
class CTorvanApp;
class CTorvanView;

// The main window: caption "Torvan", the menu, the accelerators, the
// toolbar, a one-pane status bar, the preview pane, and the window placement
// remembered in profile section "Screen".
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    explicit CMainFrame(CTorvanApp& app);
    ~CMainFrame() override;

    CTorvanView* GetActiveView() const { return m_view; }
    // The database panel beside the preview.
    CDatabasePanel* DatabasePanel() const { return m_panel; }

    // The action of a command (also each of the four recent-file entries).
    QAction* Action(int command) const;
    QMenu* FileMenu() const { return m_fileMenu; }
    QToolBar* ToolBar() const { return m_toolBar; }
    // The status bar's one pane when no prompt is shown.
    QLabel* MessagePane() const { return m_messagePane; }

    // Shows the recent-file list in the File menu, or the greyed
    // placeholder while it is empty.
    void UpdateRecentFileMenu(const QStringList& entries);
    // Enables the commands that depend on state (Settings once a file was
    // opened).
    void UpdateCommandStates();

    // Help: the contents, the page for the current context (the open menu's
    // item, the dialog on top, or the window), the help mode in which the
    // next click picks the object, and a page by context number.
    void OnHelpFinder();
    void OnHelp();
    void OnContextHelp();
    bool InHelpMode() const { return m_bHelpMode; }
    void ShowHelp(int context);
    CHelpWindow* HelpWindow() const { return m_helpWindow; }
    int LastHelpContext() const { return m_nLastHelpContext; }

    // The placement the frame was given when it was created.
    const Placement& StartedAt() const { return m_startPlacement; }

    // The size of the screen's work area (without task bars and panels);
    // tests replace its source.
    using WorkAreaSource = std::function<QSize()>;
    static void SetWorkAreaSource(WorkAreaSource source);
    static QSize WorkArea();

    // How long placement changes are gathered before they are written.
    static constexpr int kPlacementDelayMs = 200;
    // Writes a gathered placement now.
    void FlushPlacement();
    // The time between the reset's arrival and the emptying of the pane.
    static constexpr int kResetDelayMs = 100;

  protected:
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void NotePlacement();
    void OnResetDoc(quint64 preview);
    void EndHelpMode();
    bool HelpForOpenMenu();
    int ContextOfWidget(QWidget* widget) const;
    bool HandleHelpModeEvent(QObject* watched, QEvent* event);
    bool HandleHelpKey(QObject* watched, QEvent* event);

    CTorvanApp& m_app;
    CTorvanView* m_view = nullptr;
    CDatabasePanel* m_panel = nullptr;
    std::map<int, QAction*> m_actions;
    QMenu* m_fileMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_messagePane = nullptr;
    QPointer<CHelpWindow> m_helpWindow;
    bool m_bHelpMode = false;
    int m_nLastHelpContext = 0;
    Placement m_startPlacement;
    Placement m_pendingPlacement;
    bool m_bPlacementPending = false;
    bool m_bPlacementReady = false;
    QBasicTimer m_placementTimer;
};

}  // namespace torvan
