// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/TorvanView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QTextCursor>
#include <filesystem>
#include <string>
#include <system_error>

#include "gui/app/HelpContexts.h"
#include "gui/app/Preview.h"
#include "gui/app/TorvanApp.h"
#include "gui/app/TorvanDoc.h"
#include "platform/MessageCatalogue.h"

namespace torvan {

CTorvanView::CTorvanView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("CTorvanView"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    // Long lines wrap at the pane's width instead of scrolling sideways.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Columns of a price file line up in a fixed-width font.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

CTorvanView::~CTorvanView() = default;

bool CTorvanView::OpenInput(const QString& path) {
    // Opening a pipe waits for a writer, and a device may never end.
    std::error_code error;
    const auto type = std::filesystem::status(QFile::encodeName(path).toStdString(), error).type();
    using Type = std::filesystem::file_type;
    if (!error && type != Type::regular && type != Type::directory && type != Type::not_found) {
        const std::string text =
            MessageText(MessageId::kInputNotAFile, {QDir::toNativeSeparators(path).toStdString()});
        QMessageBox::warning(window(), QStringLiteral("Torvan"), QString::fromStdString(text));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const std::string text = MessageText(
            MessageId::kCannotOpenFile,
            {QDir::toNativeSeparators(path).toStdString(), file.errorString().toStdString()});
        QMessageBox::warning(window(), QStringLiteral("Torvan"), QString::fromStdString(text));
        return false;
    }
    file.close();
    m_strInputFile = path;
    emit inputFileChanged();
    ShowPreview();
    return true;
}

void CTorvanView::ShowPreview() {
    ++m_previewCount;
    // One repaint for the whole preview.
    setUpdatesEnabled(false);
    SetPaneText(QString());
    AppendText(PreviewHeader(m_strInputFile));
    QList<QByteArray> read;
    if (ReadPreviewFile(m_strInputFile, read)) {
        for (const QString& segment : DecodeSegments(read)) {
            AppendText(segment);
            AppendText(QStringLiteral("\r\n"));
        }
    }
    setUpdatesEnabled(true);

    OnSettings();

    if (QWidget* frame = window()) {
        QCoreApplication::postEvent(frame, new CResetDocEvent(m_previewCount));
    }
}

void CTorvanView::AppendText(const QString& text) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // CR LF becomes one line break of the pane.
    cursor.insertText(text);
}

void CTorvanView::SetPaneText(const QString& text) {
    setPlainText(text);
}

void CTorvanView::OnSettings() {
    CTorvanApp* app = CTorvanApp::Instance();
    if (app == nullptr || !OnUpdateSettings()) {
        return;
    }
    app->RunSettingsCommand(m_strInputFile);
}

void CTorvanView::OnClearWindow() {
    SetPaneText(QString());
}

void CTorvanView::OnTutorial() {
    if (CTorvanApp* app = CTorvanApp::Instance()) {
        app->WinHelp(kHelpTutorial);
    }
}

}  // namespace torvan
