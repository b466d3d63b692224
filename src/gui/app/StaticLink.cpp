// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/StaticLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "gui/app/Icons.h"
#include "gui/app/ProjectInfo.h"

namespace torvan {
namespace {

CStaticLink::UrlOpener& Opener() {
    static CStaticLink::UrlOpener opener;
    return opener;
}

CStaticLink::Beeper& Beep() {
    static CStaticLink::Beeper beeper;
    return beeper;
}

// The contact address is recognised by its user part and the at sign.
QString ContactUserPart() {
    const QString address = QString::fromUtf8(kContactAddress);
    return address.left(address.indexOf(QLatin1Char('@')) + 1);
}

}  // namespace

CStaticLink::CStaticLink(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
}

CStaticLink::~CStaticLink() = default;

void CStaticLink::SetDesktop(UrlOpener opener, Beeper beeper) {
    Opener() = std::move(opener);
    Beep() = std::move(beeper);
}

void CStaticLink::ResetDesktop() {
    Opener() = nullptr;
    Beep() = nullptr;
}

QUrl CStaticLink::TargetUrl(const QString& target) {
    if (target.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
        return QUrl(target);
    }
    return QUrl::fromUserInput(target);
}

QColor CStaticLink::TextColor() const {
    const bool visited = m_pVisited != nullptr && *m_pVisited == 1;
    return palette().color(visited ? QPalette::LinkVisited : QPalette::Link);
}

bool CStaticLink::HasTextLook() const {
    return pixmap().isNull() && picture().isNull();
}

void CStaticLink::StopHover() {
    if (m_bHover != 0) {
        releaseMouse();
        m_bHover = 0;
    }
}

void CStaticLink::OnClicked() {
    if (m_link.isEmpty()) {
        m_link = text();
        if (m_link.contains(ContactUserPart())) {
            m_link.prepend(QStringLiteral("mailto:"));
        }
    }
    StopHover();
    m_bRecentClick = 1;
    m_timer.start(kPauseMs, this);

    const QUrl url = TargetUrl(m_link);
    const bool opened = Opener() ? Opener()(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        if (Beep()) {
            Beep()();
        } else {
            QApplication::beep();
        }
        return;
    }
    if (m_pVisited != nullptr) {
        *m_pVisited = 1;
    }
    setCursor(Qt::ArrowCursor);
    update();
}

void CStaticLink::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (m_bRecentClick != 0) {
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    if (m_bHover == 0 && inside) {
        m_bHover = 1;
        // Holding the mouse is what lets the link see the pointer leave.
        grabMouse();
        setCursor(HandCursor());
    } else if (m_bHover != 0 && !inside) {
        StopHover();
        setCursor(Qt::ArrowCursor);
    }
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    m_bPressed = event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    const bool click = m_bPressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_bPressed = false;
    if (click) {
        OnClicked();
    }
}

void CStaticLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        OnClicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CStaticLink::paintEvent(QPaintEvent* event) {
    if (!HasTextLook()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QFont underlined = font();
    underlined.setUnderline(true);
    painter.setFont(underlined);
    painter.setPen(TextColor());
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextWordWrap, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = painter
                          .boundingRect(contentsRect(),
                                        static_cast<int>(alignment()) | Qt::TextWordWrap, text())
                          .adjusted(-2, 0, 2, 0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CStaticLink::timerEvent(QTimerEvent* event) {
    QLabel::timerEvent(event);
    if (event->timerId() == m_timer.timerId()) {
        m_timer.stop();
        m_bRecentClick = 0;
    }
}

void CStaticLink::hideEvent(QHideEvent* event) {
    StopHover();
    QLabel::hideEvent(event);
}

}  // namespace torvan
