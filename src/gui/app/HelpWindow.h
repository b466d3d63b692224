// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace torvan {

// The program's help: its pages, compiled into the program, in a window of
// their own with Contents, Back and Forward. Links to other pages of the
// help stay in the window; links elsewhere open in the desktop's browser.
class CHelpWindow : public QWidget {
    Q_OBJECT

  public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    void ShowContents();
    void ShowContext(int context);
    void ShowPage(const QUrl& page);

    // The page on show, with its fragment.
    QUrl CurrentPage() const;
    QTextBrowser* Browser() const { return m_browser; }

  private:
    void Present();

    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
};

}  // namespace torvan
