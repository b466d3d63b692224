// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QPlainTextEdit>
#include <QString>

namespace torvan {

class CTorvanDoc;

// The reset the view asks of the main frame after each open: posted, so that
// it runs once the whole open sequence has returned to the event loop.
inline constexpr QEvent::Type kResetDocEvent = static_cast<QEvent::Type>(QEvent::User + 4);

// The read-only text pane of the main window. Opening a file shows a
// preview of its first lines here while the Settings command runs; the pane
// is emptied again shortly afterwards. The text can be selected and copied
// but never changed by the user.
class CTorvanView : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit CTorvanView(QWidget* parent = nullptr);
    ~CTorvanView() override;

    void SetDocument(CTorvanDoc* document) { m_document = document; }

    // The file opened last; kept by Clear Window and by the reset, so that
    // Settings (F2) can run on it again.
    const QString& InputFile() const { return m_strInputFile; }

    // Stores path as the input file, shows its preview, runs the Settings
    // command and posts the reset. False, with a message, when the file
    // cannot be read; the input file then stays as it was.
    bool OpenInput(const QString& path);

    // The preview of the input file; then the Settings command, then the
    // reset posted to the main window.
    void ShowPreview();
    // Appends text at the end of the pane (not undoable).
    void AppendText(const QString& text);
    void SetPaneText(const QString& text);

    // Commands.
    void OnSettings();
    bool OnUpdateSettings() const { return !m_strInputFile.isEmpty(); }
    void OnClearWindow();
    void OnTutorial();

    // The number of previews shown so far; a reset posted for an earlier
    // one is stale.
    quint64 PreviewCount() const { return m_previewCount; }

  signals:
    void inputFileChanged();

  private:
    CTorvanDoc* m_document = nullptr;
    QString m_strInputFile;
    quint64 m_previewCount = 0;
};

// The reset event, carrying the preview it belongs to.
class CResetDocEvent : public QEvent {
  public:
    explicit CResetDocEvent(quint64 preview) : QEvent(kResetDocEvent), m_preview(preview) {}
    quint64 Preview() const { return m_preview; }

  private:
    quint64 m_preview;
};

}  // namespace torvan
