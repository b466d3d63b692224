// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/HelpWindow.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/app/HelpContexts.h"
#include "gui/app/Icons.h"

namespace torvan {

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("CHelpWindow"));
    setWindowTitle(tr("Torvan Help"));
    setWindowIcon(AppIcon());

    auto* contents = new QToolButton(this);
    contents->setObjectName(QStringLiteral("helpContents"));
    contents->setText(tr("&Contents"));
    contents->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_back = new QToolButton(this);
    m_back->setObjectName(QStringLiteral("helpBack"));
    m_back->setText(tr("&Back"));
    m_back->setEnabled(false);
    m_forward = new QToolButton(this);
    m_forward->setObjectName(QStringLiteral("helpForward"));
    m_forward->setText(tr("&Forward"));
    m_forward->setEnabled(false);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({QStringLiteral(":/help")});

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);

    connect(contents, &QToolButton::clicked, this, &CHelpWindow::ShowContents);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    // Pages of the help stay here; anything else goes to the desktop.
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = m_browser->source().resolved(link);
        if (target.scheme() == QLatin1String("qrc")) {
            m_browser->setSource(target);
        } else {
            QDesktopServices::openUrl(target);
        }
    });
    resize(640, 560);
}

void CHelpWindow::ShowContents() {
    ShowPage(QUrl(HelpContentsPage()));
}

void CHelpWindow::ShowContext(int context) {
    ShowPage(QUrl(HelpPageForContext(context)));
}

void CHelpWindow::ShowPage(const QUrl& page) {
    m_browser->setSource(page);
    Present();
}

QUrl CHelpWindow::CurrentPage() const {
    return m_browser->source();
}

void CHelpWindow::Present() {
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

}  // namespace torvan
