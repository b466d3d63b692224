// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/Message.h"

namespace torvan {

// Shows a job's or a dialog's messages in modal message boxes over a parent
// window, in the language of the installed translation (TranslatedText).
class QtMessageSink : public IMessageSink {
  public:
    // parent: the window the boxes are centred over when no modal dialog is
    // up (none: the active window); a modal dialog's messages show over the
    // dialog.
    explicit QtMessageSink(QWidget* parent = nullptr) : m_parent(parent) {}

    // Runs the box modally; returns kIdOk, kIdCancel, kIdYes or kIdNo. While
    // the wait cursor is up, the box gets the normal arrow.
    int Show(const Message& message) override;

    // The box Show runs: buttons and icon from message.type. Without an icon
    // flag, OK boxes warn and Yes/No boxes ask, as on Windows.
    static std::unique_ptr<QMessageBox> CreateBox(const Message& message, QWidget* parent);
    // The result code of the button the user pressed.
    static int ResultOf(QMessageBox::StandardButton button);

  private:
    QPointer<QWidget> m_parent;
};

}  // namespace torvan
