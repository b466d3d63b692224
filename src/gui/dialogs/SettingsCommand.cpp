// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SettingsCommand.h"

#include "gui/dialogs/MessageTranslation.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <exception>
#include <new>

#include "database/DatabaseReader.h"
#include "engine/Converter.h"
#include "engine/Updater.h"
#include "gui/dialogs/SettingsDlg.h"
#include "platform/MessageCatalogue.h"
#include "settings/ImportSettings.h"
#include "settings/ProfileStore.h"
#include "settings/TickerJobs.h"

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
                                   MessageId::kEMasterOutOfStep, MessageId::kLinesOutOfOrder,
                                   MessageId::kUpdateDaysDiffer, MessageId::kUpdateDaysReplaced,
                                   MessageId::kSecurityFieldsNotInFile}) {
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
    std::string text =
        TranslatedText(
            MessageId::kConversionWritten,
            {symbol, "F" + std::to_string(result.fileNumber) + (inXMaster ? ".MWD" : ".DAT"),
             std::to_string(result.recordsWritten), StoredDateText(result.firstDate),
             StoredDateText(result.lastDate), result.databaseDirectory})
            .toStdString();
    for (const Message& note : notes) {
        text += "\n\n" + TranslatedText(note).toStdString();
    }
    return text;
}

std::string PriceFile(const JobResult& result, bool inXMaster) {
    return "F" + std::to_string(result.fileNumber) + (inXMaster ? ".MWD" : ".DAT");
}

// What an update of one security did, in words.
std::string UpdateText(const UpdateResult& update, const std::string& symbol, bool inXMaster,
                       int overlap) {
    const JobResult& job = update.job;
    const std::string file = PriceFile(job, inXMaster);
    if (update.added) {
        return MessageText(MessageId::kUpdateAddedSecurity, {symbol}) + "\n\n" +
               OutcomeText(job, symbol, inXMaster, {});
    }
    if (overlap == ImportSettings::kReplaceAll) {
        return MessageText(
            MessageId::kUpdateHistoryReplaced,
            {symbol, file, std::to_string(job.recordsWritten), StoredDateText(job.firstDate),
             StoredDateText(job.lastDate), job.databaseDirectory});
    }
    const std::string skipped = std::to_string(update.skipped);
    const std::string differing = std::to_string(update.differing);
    if (job.recordsWritten == 0) {
        SecurityRecords stored;
        const bool read =
            ReadSecurityEnds(job.databaseDirectory, symbol, stored) == ReadResult::kOk &&
            !stored.rows.empty();
        return MessageText(MessageId::kUpdateNothingNew,
                           {symbol, file, read ? StoredDateText(stored.rows.back().front()) : "?",
                            skipped, differing, job.databaseDirectory});
    }
    return MessageText(
        MessageId::kUpdateWritten,
        {std::to_string(job.recordsWritten), symbol, file, StoredDateText(job.firstDate),
         StoredDateText(job.lastDate), skipped, differing, job.databaseDirectory});
}

// The line of one ticker's security in the outcome of a ticker file.
std::string TickerLine(const TickerOutcome& ticker) {
    const JobResult& job = ticker.result.job;
    if (!ticker.succeeded) {
        return MessageText(MessageId::kTickerFailed, {ticker.symbol, OneLine(ticker.reason)});
    }
    const std::string file = PriceFile(job, ticker.inXMaster);
    if (ticker.added) {
        return MessageText(MessageId::kTickerAdded,
                           {ticker.symbol, file, std::to_string(job.recordsWritten),
                            StoredDateText(job.firstDate), StoredDateText(job.lastDate)});
    }
    return MessageText(
        MessageId::kTickerUpdated,
        {ticker.symbol, file, std::to_string(job.recordsWritten),
         std::to_string(ticker.result.skipped), std::to_string(ticker.result.differing)});
}

// What the run for the dialog did: the security the database panel
// selects, and the outcome in words (also of ticker files that failed in
// part).
struct Run {
    int status = 1;
    JobResult result;
    bool inXMaster = false;
    std::string outcome;
};

// One conversion or update, its notes held for the outcome.
Run RunOne(const ImportSettings& settings, const std::string& inputPath, int dateCode,
           CProfileStore& store, OutcomeNotes& notes) {
    Run run;
    if (settings.update == 0) {
        CConverter job;
        settings.ApplyTo(job, inputPath, dateCode);
        job.m_pProfile = &store;
        job.m_pSink = &notes;
        run.status = job.Run();
        run.result = job.Result();
        run.inXMaster = job.m_bInXMaster;
        if (run.status == 0) {
            run.outcome = OutcomeText(run.result, settings.symbol, run.inXMaster, notes.Held());
        }
        return run;
    }
    CUpdater job;
    settings.ApplyTo(job, inputPath, dateCode);
    job.m_job.m_pProfile = &store;
    job.m_job.m_pSink = &notes;
    run.status = job.Run();
    run.result = job.Result().job;
    run.inXMaster = job.Result().inXMaster;
    if (run.status == 0) {
        run.outcome = UpdateText(job.Result(), settings.symbol, run.inXMaster, settings.overlap);
        for (const Message& note : notes.Held()) {
            run.outcome += "\n\n" + note.text;
        }
    }
    return run;
}

// A security per ticker of the file: every job's outcome in one message.
Run RunTickers(const ImportSettings& settings, const std::string& inputPath, CProfileStore& store,
               IMessageSink& sink) {
    Run run;
    ImportSettings shared = settings;
    shared.name.clear();  // each security is named by its ticker
    TickerPlan plan = PlanTickerJobs(shared, inputPath);
    if (plan.failed || plan.jobs.empty()) {
        sink.Show(plan.failed ? *plan.failed : MakeMessage(MessageId::kNoPriceLines, {inputPath}));
        return run;
    }
    const std::vector<TickerOutcome> outcomes = RunTickerPlan(plan, inputPath, &store);
    int added = 0;
    int updated = 0;
    std::string lines;
    constexpr std::size_t kListed = 12;  // a message box stays readable
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const TickerOutcome& ticker = outcomes[i];
        if (ticker.succeeded) {
            (ticker.added ? added : updated) += 1;
            if (run.result.fileNumber == 0) {
                run.result = ticker.result.job;  // the security the panel selects
                run.inXMaster = ticker.inXMaster;
            }
        }
        if (i < kListed) {
            lines += "\n" + TickerLine(ticker);
        }
    }
    if (outcomes.size() > kListed) {
        lines += "\n" + MessageText(MessageId::kTickersNotListed,
                                    {std::to_string(outcomes.size() - kListed)});
    }
    const int failed = static_cast<int>(outcomes.size()) - added - updated;
    const std::string count = std::to_string(outcomes.size());
    const std::string directory = run.result.databaseDirectory.empty()
                                      ? outcomes.front().result.job.databaseDirectory
                                      : run.result.databaseDirectory;
    run.outcome =
        settings.update != 0
            ? MessageText(MessageId::kTickersUpdated,
                          {count, std::to_string(updated), std::to_string(added),
                           std::to_string(failed), directory})
            : MessageText(MessageId::kTickersConverted,
                          {count, std::to_string(added), std::to_string(failed), directory});
    run.outcome += "\n" + lines;
    if (plan.linesWithoutTicker > 0) {
        run.outcome += "\n\n" + MessageText(MessageId::kLinesWithoutTicker,
                                            {std::to_string(plan.linesWithoutTicker),
                                             std::to_string(plan.firstLineWithoutTicker)});
    }
    run.status = failed == 0 ? 0 : 1;
    if (added + updated == 0) {
        run.result = outcomes.front().result.job;
    }
    return run;
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

    m_lastConfirmed = dialog.m_settings;
    m_lastOutcome.clear();
    m_lastInXMaster = false;
    const ImportSettings& settings = dialog.m_settings;
    OutcomeNotes notes(m_sink);
    beginWaitCursor();
    Run run;
    const int guarded = RunGuarded(m_sink, [&] {
        run = settings.tickerCol != 0
                  ? RunTickers(settings, inputPath, m_store, m_sink)
                  : RunOne(settings, inputPath, dialog.m_nDateFormat, m_store, notes);
        return run.status;
    });
    endWaitCursor();
    m_lastInXMaster = run.inXMaster;
    m_lastOutcome = run.outcome;
    const bool update = settings.update != 0;
    if (guarded == 0) {
        m_retry.reset();
        Message success =
            MakeMessage(update ? MessageId::kUpdateSucceeded : MessageId::kConversionSucceeded);
        success.text += "\n\n" + m_lastOutcome;
        m_sink.Show(success);
        beep();
        return run.result;
    }
    m_retry = Retry{dialog.m_strInputPath, dialog.m_settings};
    if (!m_lastOutcome.empty()) {
        // Some tickers failed: the outcome names each, the others are kept.
        Message partial =
            MakeMessage(update ? MessageId::kUpdateFailed : MessageId::kConversionFailed);
        partial.text = m_lastOutcome;
        m_sink.Show(partial);
        return run.result;
    }
    notes.ShowHeld();
    m_sink.Show(MakeMessage(update ? MessageId::kUpdateFailed : MessageId::kConversionFailed));
    return run.result;
}

}  // namespace torvan
