#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Icons.h"
#include "app/ProjectInfo.h"
#include "app/StaticLink.h"

namespace torvan {
namespace {

QLabel* CentredText(const QString& text, QWidget* parent, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

QString CAboutDlg::VersionText() {
    return QStringLiteral("Torvan Version %1").arg(QString::fromLatin1(kVersion));
}

CAboutDlg::CAboutDlg(int* linkVisited, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QStringLiteral("About Torvan"));
    setModal(true);

    auto* does = new QGroupBox(QStringLiteral("What Torvan Does"), this);
    auto* doesLayout = new QVBoxLayout(does);
    doesLayout->addWidget(
        CentredText(QStringLiteral("Converts historical financial data in ASCII "
                                   "form to data in MetaStock or CompuTrac format"),
                    does, "whatText"));

    auto* legal = new QGroupBox(QStringLiteral("Legal Stuff"), this);
    auto* legalLayout = new QVBoxLayout(legal);
    legalLayout->addWidget(CentredText(
        QStringLiteral("This program is protected by copyright law and international treaties.\n\n"
                       "MetaStock is a registered trademark and CompuTrac a trademark of their "
                       "respective owners. Torvan is not affiliated with or endorsed by them."),
        legal, "legalText"));
    legalLayout->addStretch(1);

    auto* version = CentredText(VersionText(), this, "versionText");
    auto* rights = CentredText(QStringLiteral("Copyright \u00A9 %1 the Torvan project")
                                   .arg(QString::fromLatin1(kCopyrightYears)),
                               this, "rightsText");
    auto* credit = CentredText(
        QStringLiteral("Written by\nthe Torvan project\nand its contributors"), this, "creditText");

    m_mailLink = new CStaticLink(this);
    m_mailLink->setObjectName(QStringLiteral("link1022"));
    m_mailLink->setText(QString::fromUtf8(kContactAddress));
    m_mailLink->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_mailLink->setToolTip(QStringLiteral("Write to the Torvan project"));
    m_webLink = new CStaticLink(this);
    m_webLink->setObjectName(QStringLiteral("link1023"));
    m_webLink->setText(QString::fromUtf8(kHomePage));
    m_webLink->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_webLink->setToolTip(QStringLiteral("Visit the Torvan web page"));
    if (linkVisited != nullptr) {
        m_mailLink->m_pVisited = &linkVisited[0];
        m_webLink->m_pVisited = &linkVisited[1];
    }

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("appIcon"));
    icon->setPixmap(AppIcon().pixmap(QSize(40, 40), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* left = new QVBoxLayout;
    left->addWidget(does);
    left->addWidget(legal, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(version);
    right->addWidget(rights);
    right->addSpacing(12);
    right->addWidget(credit);
    right->addSpacing(12);
    right->addWidget(m_mailLink);
    right->addWidget(m_webLink);
    right->addStretch(1);
    right->addWidget(icon);
    right->addStretch(1);
    right->addWidget(buttons);

    auto* layout = new QGridLayout(this);
    layout->addLayout(left, 0, 0);
    layout->addLayout(right, 0, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setHorizontalSpacing(18);
    // Wrapped texts get their height from a fixed column width, and the box
    // keeps the size its contents need.
    const int column = fontMetrics().averageCharWidth() * 40;
    does->setFixedWidth(column);
    legal->setFixedWidth(column);
    for (QWidget* text : {version, rights, credit}) {
        text->setMinimumWidth(column);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace torvan
