// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/Icons.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include "gui/app/Commands.h"

namespace torvan {
namespace {

class SvgIconEngine : public QIconEngine {
  public:
    explicit SvgIconEngine(const QString& path) : m_path(path) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap image = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        image.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, image);
    }

    // QIcon asks for the size in device pixels and marks the result with
    // the pixel ratio itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        if (size.isEmpty()) {
            return pixmap;
        }
        QSvgRenderer renderer(m_path);
        {
            QPainter painter(&pixmap);
            renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        if (mode == QIcon::Disabled && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
        }
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QIconEngine* clone() const override { return new SvgIconEngine(m_path); }

    QString key() const override { return QStringLiteral("TorvanSvgIconEngine"); }

  private:
    QString m_path;
};

}  // namespace

QIcon SvgIcon(const QString& resourcePath) {
    return QIcon(new SvgIconEngine(resourcePath));
}

QIcon AppIcon() {
    return SvgIcon(QStringLiteral(":/icons/torvan.svg"));
}

QIcon CommandIcon(int command) {
    switch (command) {
        case kIdFileOpen:
            return SvgIcon(QStringLiteral(":/icons/open.svg"));
        case kIdSettings:
            return SvgIcon(QStringLiteral(":/icons/settings.svg"));
        case kIdClearWindow:
            return SvgIcon(QStringLiteral(":/icons/clear.svg"));
        case kIdAppAbout:
            return SvgIcon(QStringLiteral(":/icons/about.svg"));
        default:
            return {};
    }
}

QCursor HandCursor() {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const int side = qRound(32 * ratio);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        QSvgRenderer renderer(QStringLiteral(":/icons/hand.svg"));
        renderer.render(&painter, QRectF(0, 0, side, side));
    }
    pixmap.setDevicePixelRatio(ratio);
    return QCursor(pixmap, 0, 0);
}

}  // namespace torvan
