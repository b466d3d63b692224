// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SettingsCommand.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <exception>
#include <new>

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
    {
        CConverter job;
        dialog.m_settings.ApplyTo(job, dialog.m_strInputPath, dialog.m_nDateFormat);
        job.m_pProfile = &m_store;
        job.m_pSink = &m_sink;
        beginWaitCursor();
        status = RunGuarded(m_sink, [&job] { return job.Run(); });
        endWaitCursor();
        result = job.Result();
    }

    if (status == 0) {
        m_retry.reset();
        m_sink.Show(MakeMessage(MessageId::kConversionSucceeded));
        beep();
    } else {
        m_retry = Retry{dialog.m_strInputPath, dialog.m_settings};
        m_sink.Show(MakeMessage(MessageId::kConversionFailed));
    }
    return result;
}

}  // namespace torvan
