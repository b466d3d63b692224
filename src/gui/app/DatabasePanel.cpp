// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/DatabasePanel.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "database/Mbf.h"
#include "gui/app/PriceChart.h"
#include "platform/MessageCatalogue.h"

namespace torvan {

// A security's records as the database holds them, dates as YYYY-MM-DD.
class RecordsModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void Set(std::vector<std::string> names, std::vector<std::vector<float>> rows) {
        beginResetModel();
        m_names = std::move(names);
        m_rows = std::move(rows);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_names.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::TextAlignmentRole) {
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        }
        if (role != Qt::DisplayRole) {
            return {};
        }
        const auto& row = m_rows[static_cast<std::size_t>(index.row())];
        const auto column = static_cast<std::size_t>(index.column());
        if (column >= row.size()) {
            return {};
        }
        return QString::fromStdString(m_names[column] == "Date" ? StoredDateText(row[column])
                                                                : NumberText(row[column]));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) {
            return {};
        }
        if (orientation == Qt::Vertical) {
            return section + 1;
        }
        return QString::fromStdString(m_names[static_cast<std::size_t>(section)]);
    }

  private:
    std::vector<std::string> m_names;
    std::vector<std::vector<float>> m_rows;
};

namespace {

enum Column { kFile, kSymbol, kName, kFields, kPeriod, kFirst, kLast, kRecords, kColumns };

QString Periodicity(std::uint8_t period) {
    switch (period) {
        case 'D':
            return CDatabasePanel::tr("Daily");
        case 'W':
            return CDatabasePanel::tr("Weekly");
        case 'M':
            return CDatabasePanel::tr("Monthly");
        case 'I':
            return CDatabasePanel::tr("Intraday");
        default:
            return period >= 0x20 && period < 0x7F ? QString(QChar(period)) : QStringLiteral("-");
    }
}

QString DateOrDash(const Bytes4& stored) {
    const std::string text = StoredDateText(MbfToFloat(stored));
    return text.empty() ? QStringLiteral("-") : QString::fromStdString(text);
}

QString Native(const std::string& path) {
    return QDir::toNativeSeparators(QFile::decodeName(path.c_str()));
}

}  // namespace

CDatabasePanel::CDatabasePanel(QWidget* parent) : QDockWidget(tr("Database"), parent) {
    setObjectName(QStringLiteral("databasePanel"));
    // The panel can move and float but not be lost: no menu brings it back.
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* body = new QWidget(this);
    m_folder = new QLabel(body);
    m_folder->setObjectName(QStringLiteral("databaseFolder"));
    m_folder->setWordWrap(true);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_outcome = new QLabel(body);
    m_outcome->setObjectName(QStringLiteral("conversionOutcome"));
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_outcome->setFrameShape(QFrame::StyledPanel);
    m_outcome->hide();

    m_list = new QTableWidget(0, kColumns, body);
    m_list->setObjectName(QStringLiteral("securityList"));
    m_list->setHorizontalHeaderLabels({tr("File"), tr("Symbol"), tr("Name"), tr("Fields"),
                                       tr("Period"), tr("First"), tr("Last"), tr("Records")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { ShowSelected(); });

    m_chart = new CPriceChart(body);
    m_model = new RecordsModel(this);
    m_records = new QTableView(body);
    m_records->setObjectName(QStringLiteral("recordTable"));
    m_records->setModel(m_model);
    m_records->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_tabs = new QTabWidget(body);
    m_tabs->setObjectName(QStringLiteral("securityTabs"));
    m_tabs->addTab(m_chart, tr("&Chart"));
    m_tabs->addTab(m_records, tr("&Records"));

    auto* split = new QSplitter(Qt::Vertical, body);
    split->addWidget(m_list);
    split->addWidget(m_tabs);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_folder);
    layout->addWidget(m_outcome);
    layout->addWidget(split, 1);
    setWidget(body);
    setTabOrder(m_list, m_tabs);
}

CDatabasePanel::~CDatabasePanel() = default;

void CDatabasePanel::ShowFolder(const QString& directory) {
    m_directory = directory;
    m_entries.clear();
    const QSignalBlocker quiet(m_list);
    m_list->setRowCount(0);
    std::vector<UnreadIndexFile> unread;
    const std::string path = QFile::encodeName(directory).toStdString();
    QString heading = tr("Database folder: %1").arg(QDir::toNativeSeparators(directory));
    if (directory.isEmpty()) {
        heading = tr("No database folder yet: the Conversion Settings name one.");
    } else if (!ListSecurities(path, m_entries, &unread)) {
        heading = QString::fromStdString(MessageText(MessageId::kDatabaseUnlisted, {path}));
    }
    // What EMASTER or XMASTER would have added is missing from the list.
    for (const UnreadIndexFile& file : unread) {
        heading += QLatin1Char('\n') + QString::fromStdString(file.Text());
    }
    m_folder->setText(heading);
    m_list->setRowCount(static_cast<int>(m_entries.size()));
    for (int r = 0; r < static_cast<int>(m_entries.size()); ++r) {
        const SecurityEntry& entry = m_entries[static_cast<std::size_t>(r)];
        QStringList cells;
        if (entry.isSubdirectory) {
            cells = {
                QString::number(entry.record.fileNumber),
                QStringLiteral("<DIR> ") + QString::fromStdString(entry.record.SubdirectoryName())};
        } else {
            cells = {QString::number(entry.fileNumber),
                     QString::fromStdString(entry.symbol),
                     QString::fromStdString(entry.name),
                     QString::fromStdString(FieldLetters(entry.fieldNames)),
                     Periodicity(entry.record.period),
                     DateOrDash(entry.record.firstDate),
                     DateOrDash(entry.record.lastDate),
                     entry.recordCount ? QString::number(*entry.recordCount) : QStringLiteral("-")};
        }
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == kFile || c == kRecords) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            m_list->setItem(r, c, item);
        }
    }
    m_list->resizeColumnsToContents();
    ShowSelected();
}

void CDatabasePanel::ShowConversion(const QString& directory, int fileNumber, bool inXMaster,
                                    const QString& outcome) {
    const int before = SelectedRow();
    const std::string previous =
        before >= 0 ? m_entries[static_cast<std::size_t>(before)].symbol : std::string();
    ShowFolder(directory);
    m_outcome->setText(outcome);
    m_outcome->setVisible(!outcome.isEmpty());
    int select = -1;
    for (int r = 0; r < static_cast<int>(m_entries.size()); ++r) {
        const SecurityEntry& entry = m_entries[static_cast<std::size_t>(r)];
        const bool written = fileNumber != 0 && !entry.isSubdirectory &&
                             entry.fileNumber == fileNumber && entry.inXMaster == inXMaster;
        if (written || (fileNumber == 0 && !previous.empty() && entry.symbol == previous)) {
            select = r;
            break;
        }
    }
    SelectRow(select);
}

int CDatabasePanel::SelectedRow() const {
    const QList<QTableWidgetSelectionRange> ranges = m_list->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.front().topRow();
}

void CDatabasePanel::SelectRow(int row) {
    if (row < 0 || row >= m_list->rowCount()) {
        m_list->clearSelection();
        return;
    }
    m_list->selectRow(row);
    m_list->scrollToItem(m_list->item(row, 0));
}

void CDatabasePanel::ShowSelected() {
    const int row = SelectedRow();
    if (row < 0 || m_entries[static_cast<std::size_t>(row)].isSubdirectory) {
        m_chart->SetRecords({}, {}, QString());
        m_model->Set({}, {});
        return;
    }
    const SecurityEntry& entry = m_entries[static_cast<std::size_t>(row)];
    SecurityRecords security;
    const ReadResult read =
        ReadSecurity(QFile::encodeName(m_directory).toStdString(), entry.symbol, security);
    QString title = QString::fromStdString(entry.symbol + "  " + entry.name);
    if (read != ReadResult::kOk) {
        title +=
            QLatin1Char('\n') +
            tr("The records cannot be read: %1")
                .arg(Native(security.dataPath.empty() ? entry.PriceFileName() : security.dataPath));
    }
    m_chart->SetRecords(security.entry.fieldNames, security.rows, title);
    m_model->Set(security.entry.fieldNames, std::move(security.rows));
}

}  // namespace torvan
