// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/ReadingPreview.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPalette>

#include "database/DataFile.h"

namespace torvan {
namespace {

// Tints that read on light and dark backgrounds alike.
const QColor kZeroTint(255, 170, 0, 80);
const QColor kNoDateTint(220, 40, 40, 80);

bool Skipped(TableRowKind kind) {
    return kind != TableRowKind::kRecord;
}

}  // namespace

CReadingPreview::CReadingPreview(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("previewTable"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setToolTip(tr("Click a column's heading to choose the field it holds"));
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        QHeaderView* header = horizontalHeader();
        ChooseField(section, header->mapToGlobal(QPoint(header->sectionViewportPosition(section),
                                                        header->height())));
    });
}

QString CReadingPreview::HeaderText(int column, unsigned fed) const {
    QStringList fields;
    for (int s = 0; s < kFieldSlots && s < m_fieldNames.size(); ++s) {
        if ((fed & (1U << s)) != 0) {
            fields << m_fieldNames[s];
        }
    }
    return QString::number(column) + QLatin1Char('\n') +
           (fields.isEmpty() ? tr("(not read)") : fields.join(QStringLiteral(", ")));
}

void CReadingPreview::ShowTable(const ReadingTable& table) {
    // Which fields each column feeds, from the rows that were read.
    m_columnSlots.assign(static_cast<std::size_t>(table.columns), 0U);
    for (const TableRow& row : table.rows) {
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            m_columnSlots[c] |= row.cells[c].fields;
        }
    }
    clear();
    setColumnCount(table.columns + 1);
    setRowCount(static_cast<int>(table.rows.size()));
    QStringList headers{tr("Read as")};
    for (int c = 0; c < table.columns; ++c) {
        headers << HeaderText(c + 1, m_columnSlots[static_cast<std::size_t>(c)]);
    }
    setHorizontalHeaderLabels(headers);
    if (!table.whyNot.empty()) {
        setRowCount(1);
        setItem(0, 0, new QTableWidgetItem(QString::fromStdString(table.whyNot)));
    }
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    for (int r = 0; r < static_cast<int>(table.rows.size()); ++r) {
        const TableRow& row = table.rows[static_cast<std::size_t>(r)];
        setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(row.line)));
        QString status;
        switch (row.kind) {
            case TableRowKind::kHeader:
                status = tr("header row, skipped");
                break;
            case TableRowKind::kFooter:
                status = tr("footer row, skipped");
                break;
            case TableRowKind::kEmpty:
                status = tr("empty, passed over");
                break;
            case TableRowKind::kNoDate:
                status = tr("no date in this format: skipped");
                break;
            case TableRowKind::kNoPrice:
                status = QString::fromStdString(row.date) + tr(", no price: skipped");
                break;
            case TableRowKind::kRecord:
                status = QString::fromStdString(row.date);
                break;
        }
        QStringList missing;
        for (int s = 1; s < kFieldSlots && s < m_fieldNames.size(); ++s) {
            if (!Skipped(row.kind) && (row.missingSlots & (1U << s)) != 0) {
                missing << m_fieldNames[s];
            }
        }
        if (!missing.isEmpty()) {
            status += tr("; no column for %1: stored as 0").arg(missing.join(QStringLiteral(", ")));
        }
        auto* statusItem = new QTableWidgetItem(status);
        if (row.kind == TableRowKind::kNoDate) {
            statusItem->setBackground(kNoDateTint);
        } else if (!missing.isEmpty()) {
            statusItem->setBackground(kZeroTint);
        }
        setItem(r, 0, statusItem);
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            const TableCell& cell = row.cells[c];
            auto* item = new QTableWidgetItem(QString::fromStdString(cell.text));
            if (row.kind == TableRowKind::kRecord && cell.storedAsZero) {
                item->setBackground(kZeroTint);
                item->setToolTip(tr("Not a number: stored as 0"));
            } else if (row.kind == TableRowKind::kNoDate && (cell.fields & 1U) != 0) {
                item->setBackground(kNoDateTint);
                item->setToolTip(tr("Does not read as a date in the chosen format"));
            }
            if (Skipped(row.kind)) {
                item->setForeground(grey);
                statusItem->setForeground(grey);
            }
            setItem(r, static_cast<int>(c) + 1, item);
        }
    }
    resizeColumnsToContents();
}

void CReadingPreview::contextMenuEvent(QContextMenuEvent* event) {
    const int column =
        event->reason() == QContextMenuEvent::Mouse ? columnAt(event->pos().x()) : currentColumn();
    if (column <= 0) {
        return;
    }
    const QRect cell = visualRect(currentIndex());
    ChooseField(column, event->reason() == QContextMenuEvent::Mouse
                            ? event->globalPos()
                            : viewport()->mapToGlobal(cell.bottomLeft()));
}

void CReadingPreview::ChooseField(int section, const QPoint& at) {
    if (section <= 0) {
        return;  // the "Read as" column
    }
    const unsigned fed = static_cast<std::size_t>(section - 1) < m_columnSlots.size()
                             ? m_columnSlots[static_cast<std::size_t>(section - 1)]
                             : 0U;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("fieldMenu"));
    for (int s = 0; s < m_fieldNames.size(); ++s) {
        QAction* action = menu.addAction(m_fieldNames[s]);
        action->setCheckable(true);
        action->setChecked((fed & (1U << s)) != 0);
        action->setData(s);
    }
    menu.addSeparator();
    menu.addAction(tr("No Field"))->setData(kNoField);
    if (const QAction* chosen = menu.exec(at)) {
        emit fieldChosen(chosen->data().toInt(), section);
    }
}

}  // namespace torvan
