// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "engine/JobResult.h"
#include "platform/Message.h"
#include "settings/ImportSettings.h"

namespace torvan {

class CProfileStore;

// Runs work and returns what it returns; an exception it throws (memory
// running out, above all) is shown on sink and gives 1, so that the program
// never stops without a word.
int RunGuarded(IMessageSink& sink, const std::function<int()>& work);

// The Settings command (id 32771, File > Settings..., F2): shows the
// Conversion Settings dialog with the saved "Import" settings and, when the
// user confirms, saves them, runs one conversion of the input file on the
// calling (GUI) thread and reports its outcome.
class CSettingsCommand {
  public:
    // Both must outlive the command. Every message of the dialogs and of the
    // job goes to sink.
    CSettingsCommand(CProfileStore& store, IMessageSink& sink);

    // The command is available once an input file has been opened.
    bool OnUpdateSettings(const std::string& inputPath) const;

    // Runs the command for inputPath with the dialog over parent. Returns
    // nothing when the user cancelled (then nothing was written or run),
    // else what the conversion did. The outcome has been reported already:
    // "Conversion completed successfully!" followed by the beep, or
    // "Conversion failed.". After a conversion that failed, the next dialog
    // for the same input shows what the user confirmed rather than the
    // saved settings (the job saves the path, symbol and name only once its
    // checks pass), so that one mistake is mended and the rest kept.
    std::optional<JobResult> OnSettings(QWidget* parent, const std::string& inputPath);

    // The settings confirmed for the last conversion, and what it wrote in
    // words (empty after a failure): the text the success message adds.
    const ImportSettings& LastConfirmed() const { return m_lastConfirmed; }
    bool LastInXMaster() const { return m_lastInXMaster; }
    const std::string& LastOutcome() const { return m_lastOutcome; }

    // Seams, set by default to the real thing; tests replace them.
    // Sounds the beep that follows the success message.
    std::function<void()> beep;
    // Show and end the wait cursor around the conversion.
    std::function<void()> beginWaitCursor;
    std::function<void()> endWaitCursor;
    // Shows a dialog modally and returns its result (QDialog::Accepted or
    // Rejected): QDialog::exec. Used for the Conversion Settings dialog and
    // the Choose Directory dialog it opens.
    std::function<int(QDialog&)> runModal;

  private:
    CProfileStore& m_store;
    IMessageSink& m_sink;
    // What was confirmed for the conversion that failed last.
    struct Retry {
        std::string inputPath;
        ImportSettings settings;
    };
    std::optional<Retry> m_retry;
    ImportSettings m_lastConfirmed;
    bool m_lastInXMaster = false;
    std::string m_lastOutcome;
};

}  // namespace torvan
