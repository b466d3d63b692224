// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/AboutDlg.h"

#include <QPushButton>

#include "gui/app/Icons.h"
#include "gui/app/ProjectInfo.h"
#include "gui/app/StaticLink.h"
#include "ui_AboutDlg.h"

namespace torvan {

QString CAboutDlg::VersionText() {
    return tr("Torvan Version %1").arg(QString::fromLatin1(kVersion));
}

CAboutDlg::CAboutDlg(int* linkVisited, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AboutDlg>()) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("CAboutDlg"));

    m_ui->versionText->setText(VersionText());
    m_ui->rightsText->setText(
        tr("Copyright \u00A9 %1 the Torvan project").arg(QString::fromLatin1(kCopyrightYears)));
    m_mailLink = m_ui->link1022;
    m_webLink = m_ui->link1023;
    m_mailLink->setText(QString::fromUtf8(kContactAddress));
    m_webLink->setText(QString::fromUtf8(kHomePage));
    if (linkVisited != nullptr) {
        m_mailLink->m_pVisited = &linkVisited[0];
        m_webLink->m_pVisited = &linkVisited[1];
    }
    m_ui->appIcon->setPixmap(AppIcon().pixmap(QSize(40, 40), devicePixelRatioF()));
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);

    // Wrapped texts take their height from a fixed column width; the box
    // keeps the size its contents need.
    const int column = fontMetrics().averageCharWidth() * 40;
    m_ui->groupDoes->setFixedWidth(column);
    m_ui->groupLegal->setFixedWidth(column);
    for (QWidget* text : {m_ui->versionText, m_ui->rightsText, m_ui->creditText}) {
        text->setMinimumWidth(column);
    }
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace torvan
