// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

#include "settings/BatchRun.h"

class QProgressDialog;
class QTableWidget;

namespace torvan {

// File > Convert Several Files...: many price files into the database of
// the saved settings, each file a security named by its file name, run by
// the core's batch runner on a thread of its own while a progress dialog
// offers Cancel (the files done stay), then a table of the outcomes.
class CSeveralFiles {
  public:
    // Runs files with settings under a progress dialog over parent; the
    // outcomes in order. afterFile, when set, is called on the GUI thread
    // after each file with the dialog and how many are done (tests cancel
    // through it), before the run goes on to the next file.
    static std::vector<BatchOutcome> Run(
        QWidget* parent, const ImportSettings& settings, const QStringList& files,
        const std::function<void(QProgressDialog&, std::size_t done)>& afterFile = {});

    // The whole command: the file dialog, Run, the outcome table. False when
    // no file was chosen.
    static bool Command(QWidget* parent, const ImportSettings& settings);
};

// The outcome of each file of a run: file, symbol, outcome, records, first
// and last date, reason.
class COutcomeDlg : public QDialog {
    Q_OBJECT

  public:
    COutcomeDlg(QWidget* parent, const std::vector<BatchOutcome>& outcomes);
    QTableWidget* Table() const { return m_table; }

  private:
    QTableWidget* m_table = nullptr;
};

}  // namespace torvan
