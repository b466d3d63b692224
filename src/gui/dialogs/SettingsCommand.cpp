// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SettingsCommand.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <exception>
#include <new>

#include "database/DatabaseReader.h"
#include "engine/Converter.h"
#include "gui/dialogs/SettingsDlg.h"
#include "platform/MessageCatalogue.h"
#include "settings/ImportSettings.h"
#include "settings/ProfileStore.h"

namespace torvan {

int RunGuarded(IMessageSink& sink, const std::function<int()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        sink.Show(MakeMessage(MessageId::kOutOfMemory));
    } catch (const std::exception& e) {
        sink.Show(MakeMessage(MessageId::kUnexpectedFailure, {e.what()}));
    }
    return 1;
}

namespace {

// Holds the job's notes on what it stored (lines skipped or short, an
// EMASTER mended or left alone) to be told with the outcome, where they are
// read together with it; every other message goes on at once.
class OutcomeNotes : public IMessageSink {
  public:
    explicit OutcomeNotes(IMessageSink& next) : m_next(next) {}
    int Show(const Message& message) override {
        for (const MessageId id : {MessageId::kLinesWithoutDate, MessageId::kLinesWithoutPrice,
                                   MessageId::kLinesMissingColumns, MessageId::kEMasterCompleted,
                                   MessageId::kEMasterOutOfStep}) {
            if (message.id == MessageName(id)) {
                m_held.push_back(message);
                return DefaultAnswer(message.type);
            }
        }
        return m_next.Show(message);
    }
    // After a failure they are shown as they came, before the failure.
    void ShowHeld() {
        for (const Message& message : m_held) {
            m_next.Show(message);
        }
    }
    const std::vector<Message>& Held() const { return m_held; }

  private:
    IMessageSink& m_next;
    std::vector<Message> m_held;
};

std::string OutcomeText(const JobResult& result, const std::string& symbol, bool inXMaster,
                        const std::vector<Message>& notes) {
    std::string text = MessageText(
        MessageId::kConversionWritten,
        {symbol, "F" + std::to_string(result.fileNumber) + (inXMaster ? ".MWD" : ".DAT"),
         std::to_string(result.recordsWritten), StoredDateText(result.firstDate),
         StoredDateText(result.lastDate), result.databaseDirectory});
    for (const Message& note : notes) {
        text += "\n\n" + note.text;
    }
    return text;
}

}  // namespace

CSettingsCommand::CSettingsCommand(CProfileStore& store, IMessageSink& sink)
    : beep([] { QApplication::beep(); }),
      beginWaitCursor([] { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }),
      endWaitCursor([] { QGuiApplication::restoreOverrideCursor(); }),
      runModal([](QDialog& dialog) { return dialog.exec(); }),
      m_store(store),
      m_sink(sink) {}

bool CSettingsCommand::OnUpdateSettings(const std::string& inputPath) const {
    return !inputPath.empty();
}

std::optional<JobResult> CSettingsCommand::OnSettings(QWidget* parent,
                                                      const std::string& inputPath) {
    CSettingsDlg dialog(m_sink, parent);
    dialog.runModal = runModal;
    if (m_retry && m_retry->inputPath == inputPath) {
        dialog.m_settings = m_retry->settings;
    } else {
        dialog.m_settings.LoadForDialog(m_store);
        m_retry.reset();
    }
    dialog.m_strInputPath = inputPath;
    if (runModal(dialog) != QDialog::Accepted) {
        return std::nullopt;  // nothing written, nothing run
    }
    dialog.m_settings.SaveConfirmed(m_store);

    // The conversion holds the GUI thread: let the windows the dialog
    // covered repaint first.
    dialog.hide();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    int status = 0;
    JobResult result;
    OutcomeNotes notes(m_sink);
    m_lastConfirmed = dialog.m_settings;
    m_lastOutcome.clear();
    {
        CConverter job;
        dialog.m_settings.ApplyTo(job, dialog.m_strInputPath, dialog.m_nDateFormat);
        job.m_pProfile = &m_store;
        job.m_pSink = &notes;
        beginWaitCursor();
        status = RunGuarded(m_sink, [&job] { return job.Run(); });
        endWaitCursor();
        result = job.Result();
        m_lastInXMaster = job.m_bInXMaster;
    }

    if (status == 0) {
        m_retry.reset();
        m_lastOutcome = OutcomeText(result, m_lastConfirmed.symbol, m_lastInXMaster, notes.Held());
        Message success = MakeMessage(MessageId::kConversionSucceeded);
        success.text += "\n\n" + m_lastOutcome;
        m_sink.Show(success);
        beep();
    } else {
        m_retry = Retry{dialog.m_strInputPath, dialog.m_settings};
        notes.ShowHeld();
        m_sink.Show(MakeMessage(MessageId::kConversionFailed));
    }
    return result;
}

}  // namespace torvan
