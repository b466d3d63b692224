// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDockWidget>
#include <QString>
#include <string>
#include <vector>

#include "database/DatabaseReader.h"

class QLabel;
class QTableView;
class QTableWidget;
class QTabWidget;

namespace torvan {

class CPriceChart;
class RecordsModel;

// The database panel beside the preview: the securities of the output
// folder as torvan-cli list shows them (from the core's reader), what the
// last conversion wrote, and for the selected security a price chart and
// its records.
class CDatabasePanel : public QDockWidget {
    Q_OBJECT

  public:
    explicit CDatabasePanel(QWidget* parent = nullptr);
    ~CDatabasePanel() override;

    // Lists the securities of directory (again).
    void ShowFolder(const QString& directory);
    void Refresh() { ShowFolder(m_directory); }
    const QString& Folder() const { return m_directory; }
    // After a conversion: the folder it wrote into, listed again with the
    // security it wrote (file number, XMASTER or not) selected, and the
    // outcome in words; a failed conversion leaves the selection alone.
    void ShowConversion(const QString& directory, int fileNumber, bool inXMaster,
                        const QString& outcome);

    // The securities listed, in order, and the row selected (-1 for none).
    const std::vector<SecurityEntry>& Securities() const { return m_entries; }
    int SelectedRow() const;
    void SelectRow(int row);
    CPriceChart* Chart() const { return m_chart; }

  private:
    void ShowSelected();

    QString m_directory;
    std::vector<SecurityEntry> m_entries;
    QLabel* m_folder = nullptr;
    QLabel* m_outcome = nullptr;
    QTableWidget* m_list = nullptr;
    QTabWidget* m_tabs = nullptr;
    CPriceChart* m_chart = nullptr;
    QTableView* m_records = nullptr;
    RecordsModel* m_model = nullptr;
};

}  // namespace torvan
