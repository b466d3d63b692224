// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTableWidget>

#include "detect/ReadingTable.h"

namespace torvan {

// The first lines of the input file as the settings on screen split and
// read them (the core's ReadLinesAsTable): one column per input column,
// headed by its number and the fields it feeds, and before them the date
// each line reads as, or why the line is not stored. Cells stored as 0 are
// marked, skipped rows greyed. A click on a column's header (or the context
// menu of a cell, also from the keyboard) offers the fields to assign to
// that column.
class CReadingPreview : public QTableWidget {
    Q_OBJECT

  public:
    explicit CReadingPreview(QWidget* parent = nullptr);

    // The fields' names by slot (Date, Open, ... as the dialog labels them).
    void SetFieldNames(const QStringList& names) { m_fieldNames = names; }
    void ShowTable(const ReadingTable& table);
    // The menu's entry for "no field": the column then feeds no optional field.
    static constexpr int kNoField = -1;

  signals:
    // The user chose a field (or kNoField) for a 1-based input column.
    void fieldChosen(int slot, int column);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void ChooseField(int section, const QPoint& at);
    QString HeaderText(int column, unsigned fed) const;

    QStringList m_fieldNames;
    std::vector<unsigned> m_columnSlots;  // per input column, the slots it feeds
};

}  // namespace torvan
