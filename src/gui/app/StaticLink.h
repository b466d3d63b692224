// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QLabel>
#include <QString>
#include <QUrl>
#include <functional>

namespace torvan {

// A text label that works as a hyperlink: underlined, in the palette's link
// colour until its target has been opened and in its visited-link colour
// afterwards (so it follows dark themes), a pointing hand while the pointer is
// over it. A click hands the target to the desktop (QDesktopServices), then
// the link ignores the pointer for a second so that a double click does not
// open the target twice. A label showing a picture instead of text keeps its
// own look but still opens its target.
class CStaticLink : public QLabel {
    Q_OBJECT

  public:
    static constexpr int kPauseMs = 1000;

    explicit CStaticLink(QWidget* parent = nullptr);
    ~CStaticLink() override;

    // The visited flag, owned by whoever creates the link and set to 1 once
    // the target has been opened. Set before the link is first shown.
    int* m_pVisited = nullptr;

    bool IsHovering() const { return m_bHover != 0; }
    bool IsPausedAfterClick() const { return m_bRecentClick != 0; }
    // The target: empty until the first click, then fixed.
    const QString& Target() const { return m_link; }
    // The colour the text is drawn in now.
    QColor TextColor() const;

    // What a click does (also on Enter or Space while the link has focus).
    void OnClicked();

    // How targets are opened and failures sounded; tests replace these.
    using UrlOpener = std::function<bool(const QUrl&)>;
    using Beeper = std::function<void()>;
    static void SetDesktop(UrlOpener opener, Beeper beeper);
    static void ResetDesktop();

    // The URL handed to the desktop for a target text.
    static QUrl TargetUrl(const QString& target);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    bool HasTextLook() const;
    void StopHover();

    int m_bHover = 0;
    int m_bRecentClick = 0;
    bool m_bPressed = false;
    QString m_link;
    QBasicTimer m_timer;
};

}  // namespace torvan
