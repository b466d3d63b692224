// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/QtMessageSink.h"

#include "gui/dialogs/MessageTranslation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace torvan {
namespace {

constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kMbYesNoCancel = 0x03;

// Every box of the program carries its name.
const char kTitle[] = "Torvan";

}  // namespace

std::unique_ptr<QMessageBox> QtMessageSink::CreateBox(const Message& message, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QString::fromLatin1(kTitle));
    box->setTextFormat(Qt::PlainText);  // paths may hold '<' and '&'
    box->setText(TranslatedText(message));

    const unsigned buttons = message.type & kButtonMask;
    switch (buttons) {
        case kMbYesNo:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box->setDefaultButton(QMessageBox::Yes);
            box->setEscapeButton(QMessageBox::No);
            break;
        case kMbYesNoCancel:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box->setDefaultButton(QMessageBox::Yes);
            box->setEscapeButton(QMessageBox::Cancel);
            break;
        case kMbOkCancel:
            box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box->setDefaultButton(QMessageBox::Ok);
            box->setEscapeButton(QMessageBox::Cancel);
            break;
        default:
            box->setStandardButtons(QMessageBox::Ok);
            box->setDefaultButton(QMessageBox::Ok);
            box->setEscapeButton(QMessageBox::Ok);
            break;
    }

    switch (message.type & kIconMask) {
        case kMbIconStop:
            box->setIcon(QMessageBox::Critical);
            break;
        case kMbIconQuestion:
            box->setIcon(QMessageBox::Question);
            break;
        case kMbIconExclamation:
            box->setIcon(QMessageBox::Warning);
            break;
        case kMbIconInformation:
            box->setIcon(QMessageBox::Information);
            break;
        default:
            // A message that asks nothing and names no icon is plain news:
            // a warning sign would alarm where nothing went wrong.
            box->setIcon(buttons == kMbYesNo || buttons == kMbYesNoCancel ? QMessageBox::Question
                                                                          : QMessageBox::NoIcon);
            break;
    }
    return box;
}

int QtMessageSink::ResultOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Yes:
            return kIdYes;
        case QMessageBox::No:
            return kIdNo;
        case QMessageBox::Cancel:
            return kIdCancel;
        default:
            return kIdOk;
    }
}

int QtMessageSink::Show(const Message& message) {
    // Over the dialog that raised the message, if one is up.
    QWidget* parent = QApplication::activeModalWidget();
    if (parent == nullptr) {
        parent = m_parent ? m_parent.data() : QApplication::activeWindow();
    }
    const auto box = CreateBox(message, parent);
    // The user must see that the program waits for an answer, not for itself.
    const bool waiting = QGuiApplication::overrideCursor() != nullptr;
    if (waiting) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    box->exec();
    if (waiting) {
        QGuiApplication::restoreOverrideCursor();
    }
    // Closing the box counts as its escape button.
    QAbstractButton* pressed = box->clickedButton();
    if (pressed == nullptr) {
        pressed = box->escapeButton();
    }
    return pressed != nullptr ? ResultOf(box->standardButton(pressed)) : kIdOk;
}

}  // namespace torvan
