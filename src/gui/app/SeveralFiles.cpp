// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/SeveralFiles.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTableWidget>
#include <QVBoxLayout>
#include <atomic>
#include <exception>
#include <thread>

#include "database/Dates.h"

namespace torvan {
namespace {

QString FromPath(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

QString KindText(const BatchOutcome& outcome) {
    switch (outcome.kind) {
        case BatchOutcome::Kind::kAdded:
            return COutcomeDlg::tr("Added");
        case BatchOutcome::Kind::kUpdated:
            return COutcomeDlg::tr("Updated");
        case BatchOutcome::Kind::kFailed:
            break;
    }
    return COutcomeDlg::tr("Failed");
}

}  // namespace

std::vector<BatchOutcome> CSeveralFiles::Run(
    QWidget* parent, const ImportSettings& settings, const QStringList& files,
    const std::function<void(QProgressDialog&, std::size_t done)>& afterFile) {
    std::vector<std::string> inputs;
    for (const QString& file : files) {
        inputs.push_back(QFile::encodeName(file).toStdString());
    }
    const std::vector<BatchFile> batch = FilesNamedBySymbol(settings, inputs);
    QProgressDialog progress(
        COutcomeDlg::tr("Converting %n file(s)...", nullptr, static_cast<int>(files.size())),
        COutcomeDlg::tr("Cancel"), 0, static_cast<int>(files.size()), parent);
    progress.setWindowTitle(COutcomeDlg::tr("Convert Several Files"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    std::atomic<bool> cancel{false};
    QObject::connect(&progress, &QProgressDialog::canceled, [&cancel] { cancel = true; });

    BatchOptions options;
    options.cancel = &cancel;
    // Told on the run's thread; the dialog is the GUI thread's, and the run
    // waits until it has been told, so that a Cancel there stops before the
    // next file.
    options.progress = [&](std::size_t done, std::size_t) {
        QMetaObject::invokeMethod(
            &progress,
            [&, done] {
                progress.setLabelText(COutcomeDlg::tr("%1 of %2 files done.")
                                          .arg(static_cast<qulonglong>(done))
                                          .arg(files.size()));
                progress.setValue(static_cast<int>(done));
                if (afterFile) {
                    afterFile(progress, done);
                }
                if (progress.wasCanceled()) {
                    cancel = true;
                }
            },
            Qt::BlockingQueuedConnection);
    };
    std::vector<BatchOutcome> outcomes;
    QString stopped;  // why the run ended early (memory ran out)
    QEventLoop loop;
    std::thread worker([&] {
        try {
            outcomes = RunBatch(batch, options);
        } catch (const std::exception& error) {
            stopped = QString::fromLocal8Bit(error.what());
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    progress.close();
    if (!stopped.isEmpty()) {
        // What was committed stays; what was under way was taken back.
        QMessageBox::critical(parent, COutcomeDlg::tr("Convert Several Files"),
                              COutcomeDlg::tr("The run stopped before its end: %1").arg(stopped));
    }
    return outcomes;
}

bool CSeveralFiles::Command(QWidget* parent, const ImportSettings& settings) {
    const QStringList files = QFileDialog::getOpenFileNames(
        parent, COutcomeDlg::tr("Convert Several Files"), QString(),
        COutcomeDlg::tr("Price files (*.txt *.csv *.prn *.asc);;All files (*)"));
    if (files.isEmpty()) {
        return false;
    }
    const std::vector<BatchOutcome> outcomes = Run(parent, settings, files);
    COutcomeDlg dialog(parent, outcomes);
    dialog.exec();
    return true;
}

COutcomeDlg::COutcomeDlg(QWidget* parent, const std::vector<BatchOutcome>& outcomes)
    : QDialog(parent) {
    setObjectName(QStringLiteral("outcomeDlg"));
    setWindowTitle(tr("Convert Several Files"));
    std::size_t succeeded = 0;
    for (const BatchOutcome& outcome : outcomes) {
        succeeded += outcome.Succeeded() ? 1 : 0;
    }
    auto* summary = new QLabel(tr("%1 of %2 files converted.")
                                   .arg(static_cast<qulonglong>(succeeded))
                                   .arg(static_cast<qulonglong>(outcomes.size())),
                               this);
    m_table = new QTableWidget(static_cast<int>(outcomes.size()), 7, this);
    m_table->setObjectName(QStringLiteral("outcomes"));
    m_table->setHorizontalHeaderLabels({tr("File"), tr("Symbol"), tr("Outcome"), tr("Records"),
                                        tr("First date"), tr("Last date"), tr("Reason")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const BatchOutcome& outcome = outcomes[i];
        const JobResult& result = outcome.result.job;
        const bool stored = outcome.Succeeded() && result.recordsWritten > 0;
        const QStringList cells = {
            FromPath(outcome.input),
            FromPath(outcome.symbol),
            KindText(outcome),
            outcome.Succeeded() ? QString::number(result.recordsWritten) : QString(),
            stored ? FromPath(StoredDateText(result.firstDate)) : QString(),
            stored ? FromPath(StoredDateText(result.lastDate)) : QString(),
            FromPath(outcome.reason)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            m_table->setItem(static_cast<int>(i), column, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(760, 360);
}

}  // namespace torvan
