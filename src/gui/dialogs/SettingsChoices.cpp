// SPDX-License-Identifier: GPL-3.0-or-later
// The Conversion Settings dialog's ticker and time columns, intraday options
// and update choice: built into the form's groups by code, kept apart from
// the form's own controls.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <climits>
#include <tuple>
#include <utility>

#include "detect/Detect.h"
#include "detect/ReadingTable.h"
#include "gui/dialogs/NumberSpin.h"
#include "gui/dialogs/ReadingPreview.h"
#include "gui/dialogs/SettingsDlg.h"
#include "ui_SettingsDlg.h"

namespace torvan {
namespace {

// The column of a switched-on field: a blank or 0 gives -1, which the range
// check reports, as "none" is the switch's to say.
int ColumnOf(const CNumberSpin* spin) {
    const auto number = spin->Number();
    if (!number || *number == 0) {
        return -1;
    }
    return *number > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(*number);
}

void PutColumn(CNumberSpin* spin, int column) {
    if (column > 0) {
        spin->SetNumber(static_cast<unsigned>(column));
    }
}

}  // namespace

void CSettingsDlg::BuildChoices() {
    QWidget* fieldsGroup = m_ui->group1;
    const auto column = [&](int at, const QString& text, const QString& tip, const char* name) {
        auto* check = new QCheckBox(text, fieldsGroup);
        check->setObjectName(QStringLiteral("check") + QLatin1String(name));
        check->setToolTip(tip);
        auto* spin = new CNumberSpin(fieldsGroup);
        spin->setObjectName(QStringLiteral("spin") + QLatin1String(name));
        spin->Edit()->setObjectName(QStringLiteral("edit") + QLatin1String(name));
        spin->SetRange(kMinColumn, kMaxColumn);
        m_ui->fieldsLayout->addWidget(check, 0, at);
        m_ui->fieldsLayout->addWidget(spin, 1, at);
        return std::make_pair(check, spin);
    };
    std::tie(m_tickerOn, m_tickerCol) =
        column(kFieldSlots, tr("Ticker"),
               tr("The file holds many securities: the column of their tickers. Each ticker "
                  "becomes a security with the ticker as its symbol and name."),
               "Ticker");
    std::tie(m_timeOn, m_timeCol) =
        column(kFieldSlots + 1, tr("Time"),
               tr("Intraday bars: the column of the time of day (HH:MM, HH:MM:SS, HHMM or HHMMSS)"),
               "Time");

    // The intraday options, after the other reading options.
    auto* intraday = new QVBoxLayout;
    m_timeInDate = new QCheckBox(tr("Time in the Date Column"), m_ui->group2);
    m_timeInDate->setObjectName(QStringLiteral("checkTimeInDate"));
    m_timeInDate->setToolTip(
        tr("The time follows the date in the date's column, as in "
           "2024-01-02 09:30"));
    auto* intervalLabel = new QLabel(tr("Bar Interval (Minutes)"), m_ui->group2);
    m_interval = new CNumberSpin(m_ui->group2);
    m_interval->setObjectName(QStringLiteral("spinInterval"));
    m_interval->Edit()->setObjectName(QStringLiteral("editInterval"));
    m_interval->Edit()->setPlaceholderText(tr("from the data"));
    m_interval->SetRange(1, 60);
    m_interval->setToolTip(
        tr("The length of the bars, 1 to 60 minutes; blank takes the most "
           "common spacing of the bars"));
    intervalLabel->setBuddy(m_interval);
    m_daily = new QCheckBox(tr("Daily Bars from Intraday Lines"), m_ui->group2);
    m_daily->setObjectName(QStringLiteral("checkDaily"));
    m_daily->setToolTip(
        tr("One bar a day instead of an intraday security: the open of the first "
           "line, the highest high, the lowest low, the close of the last line, "
           "the volumes summed"));
    for (QWidget* widget :
         {static_cast<QWidget*>(m_timeInDate), static_cast<QWidget*>(intervalLabel),
          static_cast<QWidget*>(m_interval), static_cast<QWidget*>(m_daily)}) {
        intraday->addWidget(widget);
    }
    intraday->setSpacing(6);
    m_ui->detailLayout->insertLayout(m_ui->detailLayout->indexOf(m_ui->detailSpacer), intraday);
    m_ui->detailLayout->setAlignment(intraday, Qt::AlignTop);

    BuildUpdateChoice();

    QWidget::setTabOrder(m_ui->spin1026, m_tickerOn);
    QWidget::setTabOrder(m_tickerOn, m_tickerCol);
    QWidget::setTabOrder(m_tickerCol, m_timeOn);
    QWidget::setTabOrder(m_timeOn, m_timeCol);
    QWidget::setTabOrder(m_ui->checkDecimalComma, m_timeInDate);
    QWidget::setTabOrder(m_timeInDate, m_interval);
    QWidget::setTabOrder(m_interval, m_daily);
    QWidget::setTabOrder(m_ui->radio1029, m_update);
    QWidget* previous = m_update;
    for (QAbstractButton* radio : m_overlap.buttons()) {
        QWidget::setTabOrder(previous, radio);
        previous = radio;
    }
    ConnectChoices();
    EnableChoices();
}

void CSettingsDlg::BuildUpdateChoice() {
    // Beside the master choice it replaces.
    auto* update = new QVBoxLayout;
    update->setSpacing(6);
    m_update = new QCheckBox(tr("Add the file's new days to this security"), m_ui->group4);
    m_update->setObjectName(QStringLiteral("checkUpdate"));
    m_update->setToolTip(
        tr("Append the file's days after the security's last stored day to it. "
           "A symbol the database lacks is added as a new security."));
    update->addWidget(m_update);
    const std::array<std::pair<QString, const char*>, 3> overlaps = {
        std::pair{tr("Keep differing days as stored"), "radioKeep"},
        std::pair{tr("Replace them with the file's"), "radioReplace"},
        std::pair{tr("Replace the whole history"), "radioReplaceAll"}};
    for (std::size_t i = 0; i < overlaps.size(); ++i) {
        auto* radio = new QRadioButton(overlaps[i].first, m_ui->group4);
        radio->setObjectName(QLatin1String(overlaps[i].second));
        m_overlap.addButton(radio, static_cast<int>(i));
        auto* indented = new QHBoxLayout;
        indented->addSpacing(fontMetrics().height());
        indented->addWidget(radio);
        update->addLayout(indented);
    }
    m_overlap.button(ImportSettings::kKeepStored)
        ->setToolTip(tr("Days on or before the last stored day that differ from it stay as "
                        "stored, and are counted"));
    m_overlap.button(ImportSettings::kReplaceDiffering)
        ->setToolTip(tr("The file's values take the place of stored days that differ "
                        "(corrections)"));
    m_overlap.button(ImportSettings::kReplaceAll)
        ->setToolTip(tr("The security's whole history becomes the file's (after a split); its "
                        "file number and index entries stay"));
    update->addStretch(1);
    m_ui->outputLayout->insertLayout(1, update);
}

void CSettingsDlg::ConnectChoices() {
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             m_tickerOn, m_timeOn, m_timeInDate, m_daily, m_update}) {
        connect(button, &QAbstractButton::toggled, this, [this] {
            EnableChoices();
            SchedulePreview();
        });
    }
    for (CNumberSpin* spin : {m_tickerCol, m_timeCol}) {
        connect(spin->Edit(), &QLineEdit::textChanged, this, [this] { SchedulePreview(); });
    }
}

void CSettingsDlg::EnableChoices() {
    m_tickerCol->setEnabled(m_tickerOn->isChecked());
    const bool time = m_timeOn->isChecked();
    m_timeInDate->setEnabled(time);
    m_timeCol->setEnabled(time && !m_timeInDate->isChecked());
    m_daily->setEnabled(time);
    m_interval->setEnabled(time && !m_daily->isChecked());
    // An update goes into the MASTER that is there.
    const bool update = m_update->isChecked();
    for (QAbstractButton* radio : m_overlap.buttons()) {
        radio->setEnabled(update);
    }
    m_ui->radio1028->setEnabled(!update);
    m_ui->radio1029->setEnabled(!update);
    m_ui->labelMaster->setEnabled(!update);
    // Each ticker is its security's symbol and name.
    const bool own = !m_tickerOn->isChecked();
    for (QWidget* widget :
         {static_cast<QWidget*>(m_ui->edit1031), static_cast<QWidget*>(m_ui->edit1032),
          static_cast<QWidget*>(m_ui->label1031), static_cast<QWidget*>(m_ui->label1032)}) {
        widget->setEnabled(own);
    }
}

void CSettingsDlg::PutReadingChoices(const ImportSettings& values) {
    m_tickerOn->setChecked(values.tickerCol != 0);
    PutColumn(m_tickerCol, values.tickerCol);
    m_timeOn->setChecked(values.HasTime());
    m_timeInDate->setChecked(values.timeInDate != 0);
    PutColumn(m_timeCol, values.timeCol);
    if (values.interval > 0) {
        m_interval->SetNumber(static_cast<unsigned>(values.interval));
    } else {
        m_interval->Edit()->clear();
    }
    m_daily->setChecked(values.daily != 0);
}

void CSettingsDlg::PutDetectedTime(const Detection& found) {
    m_timeOn->setChecked(found.timeColumn >= 0 || found.timeInDate);
    m_timeInDate->setChecked(found.timeInDate);
    PutColumn(m_timeCol, found.timeColumn + 1);
    m_interval->Edit()->clear();  // taken from the bars
    EnableChoices();
}

void CSettingsDlg::PutUpdateChoice(const ImportSettings& values) {
    m_update->setChecked(values.update != 0);
    // Every button clear for a value that names none, as the others do.
    m_overlap.setExclusive(false);
    for (QAbstractButton* radio : m_overlap.buttons()) {
        radio->setChecked(m_overlap.id(radio) == values.overlap);
    }
    m_overlap.setExclusive(true);
}

void CSettingsDlg::TakeChoices(ImportSettings& taken) const {
    taken.tickerCol = m_tickerOn->isChecked() ? ColumnOf(m_tickerCol) : 0;
    const bool time = m_timeOn->isChecked();
    taken.timeInDate = time && m_timeInDate->isChecked() ? 1 : 0;
    taken.timeCol = time && taken.timeInDate == 0 ? ColumnOf(m_timeCol) : 0;
    const auto minutes = m_interval->Number();
    taken.interval = !minutes ? 0 : *minutes > 60U ? INT_MAX : static_cast<int>(*minutes);
    taken.daily = m_daily->isChecked() ? 1 : 0;
    taken.update = m_update->isChecked() ? 1 : 0;
    taken.overlap = std::max(0, m_overlap.checkedId());
}

QWidget* CSettingsDlg::ChoiceControl(Setting setting) const {
    switch (setting) {
        case Setting::kTickerCol:
            return m_tickerCol;
        case Setting::kTimeCol:
            return m_timeCol;
        case Setting::kInterval:
            return m_interval;
        case Setting::kUpdate:
            return m_update;
        default:
            return nullptr;
    }
}

void CSettingsDlg::OnChoiceChosen(int bit, int column) {
    const bool onDate = m_columns[kSlotDate]->Number() == static_cast<unsigned>(column);
    if (bit == kTickerBit) {
        m_tickerOn->setChecked(true);
        PutColumn(m_tickerCol, column);
    } else if (bit == kTimeBit) {
        m_timeOn->setChecked(true);
        m_timeInDate->setChecked(onDate);
        PutColumn(m_timeCol, onDate ? 0 : column);
    } else if (bit == CReadingPreview::kNoField) {
        if (m_tickerCol->Number() == static_cast<unsigned>(column)) {
            m_tickerOn->setChecked(false);
        }
        const bool timeHere = m_timeInDate->isChecked()
                                  ? onDate
                                  : m_timeCol->Number() == static_cast<unsigned>(column);
        if (timeHere) {
            m_timeOn->setChecked(false);
            m_timeInDate->setChecked(false);
        }
    }
    EnableChoices();
}

}  // namespace torvan
