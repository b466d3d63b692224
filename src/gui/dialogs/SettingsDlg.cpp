// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SettingsDlg.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "detect/Detect.h"
#include "detect/ReadingTable.h"
#include "gui/dialogs/ChooseDir.h"
#include "gui/dialogs/NumberSpin.h"
#include "gui/dialogs/ReadingPreview.h"
#include "gui/dialogs/SettingsCommand.h"
#include "platform/MessageCatalogue.h"
#include "ui_SettingsDlg.h"

namespace torvan {
namespace {

void CheckRadio(QButtonGroup& group, int id) {
    // Lets every button go clear when id belongs to none of them.
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons()) {
        button->setChecked(group.id(button) == id);
    }
    group.setExclusive(true);
}

// A field without a number gives a value that no range admits, so that the
// range check names the field and its bounds.
int NumberOf(const CNumberSpin* spin) {
    const auto number = spin->Number();
    if (!number) {
        return -1;
    }
    return *number > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(*number);
}

void PutNumber(CNumberSpin* spin, int value) {
    // Shown as an unsigned number, as the field is one.
    spin->SetNumber(static_cast<unsigned>(value));
}

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CSettingsDlg::CSettingsDlg(IMessageSink& sink, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SettingsDlg>()), m_sink(sink) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_columns = {m_ui->spin1005, m_ui->spin1011, m_ui->spin1014, m_ui->spin1017,
                 m_ui->spin1020, m_ui->spin1023, m_ui->spin1026};
    m_fieldChecks = {nullptr, m_ui->check1009, m_ui->check1012, m_ui->check1015,
                     nullptr, m_ui->check1021, m_ui->check1024};
    // The number field inside each spin box carries the name of its own control.
    static constexpr std::array<const char*, kFieldSlots> kEditNames = {
        "edit1004", "edit1010", "edit1013", "edit1016", "edit1019", "edit1022", "edit1025"};
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        m_columns[s]->Edit()->setObjectName(QString::fromLatin1(kEditNames[s]));
    }
    m_ui->spin1034->Edit()->setObjectName(QStringLiteral("edit1033"));
    m_ui->spinFooter->Edit()->setObjectName(QStringLiteral("editFooter"));

    // The typed text stays as typed until OK matches it against the list.
    m_ui->combo1039->setCompleter(nullptr);

    m_newMaster.addButton(m_ui->radio1028, 0);
    m_newMaster.addButton(m_ui->radio1029, 1);
    m_delimiter.addButton(m_ui->radio1036, 0);
    m_delimiter.addButton(m_ui->radio1037, 1);
    m_delimiter.addButton(m_ui->radio1038, 2);
    m_delimiter.addButton(m_ui->radioSemicolon, 3);

    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (m_fieldChecks[s] != nullptr) {
            connect(m_fieldChecks[s], &QAbstractButton::clicked, this,
                    [this, s] { OnFieldCheck(s); });
        }
    }
    // A limit caps typing; a longer saved text is shown whole (the check on
    // OK reports it), and the cap tightens as the user shortens it.
    const auto capTyping = [this](QLineEdit* edit, std::size_t limit) {
        connect(edit, &QLineEdit::textEdited, this, [edit, limit] {
            edit->setMaxLength(
                std::max(static_cast<int>(limit), static_cast<int>(edit->text().size())));
        });
    };
    capTyping(m_ui->edit1032, kMaxNameLength);
    capTyping(m_ui->edit1027, kMaxPathLength);
    capTyping(m_ui->edit1031, kMaxSymbolLength);
    capTyping(m_ui->combo1039->lineEdit(), kMaxDateFormatLength);

    connect(m_ui->check1035, &QAbstractButton::clicked, this, [this] { OnSkipRows(); });
    connect(m_ui->check1040, &QAbstractButton::clicked, this, [this] { OnReverse(); });
    connect(m_ui->checkCsv, &QAbstractButton::clicked, this, [this] { EnableFields(); });
    connect(m_ui->check1041, &QAbstractButton::clicked, this, [this] { OnMonthNames(); });
    connect(m_ui->button1030, &QAbstractButton::clicked, this, [this] { OnBrowse(); });
    connect(m_ui->detectButton, &QAbstractButton::clicked, this, [this] { OnDetect(); });
    connect(m_ui->IDOK, &QAbstractButton::clicked, this, &CSettingsDlg::accept);
    connect(m_ui->IDCANCEL, &QAbstractButton::clicked, this, &CSettingsDlg::reject);

    // The file as these settings read it, between the reading settings and
    // the output ones; the dialog grows with it when resized.
    auto* group = new QGroupBox(tr("Input File as Read with These Settings"), this);
    group->setObjectName(QStringLiteral("groupPreview"));
    auto* box = new QVBoxLayout(group);
    m_preview = new CReadingPreview(group);
    m_preview->setMinimumHeight(fontMetrics().height() * 9);
    box->addWidget(m_preview);
    m_ui->mainLayout->insertWidget(2, group, 1);
    m_ui->mainLayout->setSizeConstraint(QLayout::SetDefaultConstraint);
    QWidget::setTabOrder(m_ui->detectButton, m_preview);
    QWidget::setTabOrder(m_preview, m_ui->edit1027);
    QStringList names;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        QString name = m_fieldChecks[s] != nullptr
                           ? m_fieldChecks[s]->text()
                           : (s == kSlotDate ? m_ui->label1004->text() : m_ui->label1019->text());
        names << name.remove(QLatin1Char('&'));
    }
    m_preview->SetFieldNames(names);
    connect(m_preview, &CReadingPreview::fieldChosen, this,
            [this](int slot, int column) { OnFieldChosen(slot, column); });
    m_previewTimer.setSingleShot(true);
    m_previewTimer.setInterval(0);
    connect(&m_previewTimer, &QTimer::timeout, this, [this] { RefreshPreview(); });
    ConnectReadingControls();
}

void CSettingsDlg::ConnectReadingControls() {
    for (CNumberSpin* spin : {m_columns[0], m_columns[1], m_columns[2], m_columns[3], m_columns[4],
                              m_columns[5], m_columns[6], m_ui->spin1034, m_ui->spinFooter}) {
        connect(spin->Edit(), &QLineEdit::textChanged, this, [this] { SchedulePreview(); });
    }
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             m_ui->check1009, m_ui->check1012, m_ui->check1015, m_ui->check1021, m_ui->check1024,
             m_ui->check1035, m_ui->check1041, m_ui->checkCsv, m_ui->checkDecimalComma,
             m_ui->radio1036, m_ui->radio1037, m_ui->radio1038, m_ui->radioSemicolon}) {
        connect(button, &QAbstractButton::toggled, this, [this] { SchedulePreview(); });
    }
    connect(m_ui->combo1039, &QComboBox::currentTextChanged, this, [this] { SchedulePreview(); });
}

void CSettingsDlg::SchedulePreview() {
    if (m_bInitialised) {
        m_previewTimer.start();
    }
}

void CSettingsDlg::RefreshPreview() {
    m_previewTimer.stop();
    if (m_strInputPath.empty()) {
        m_preview->ShowTable({});
        return;
    }
    m_preview->ShowTable(ReadLinesAsTable(m_strInputPath, TakeControls(), kPreviewLines));
}

void CSettingsDlg::FitToScreen() {
    const QScreen* shown = screen();
    if (shown == nullptr) {
        return;
    }
    const QRect area = shown->availableGeometry();
    // Room for the window's frame and title, which are not known yet.
    constexpr int kFrame = 48;
    const QSize least = minimumSizeHint();
    const int width =
        std::clamp(area.width() * 3 / 4, least.width(), std::max(least.width(), 1200));
    const int height = std::clamp(sizeHint().height() + m_preview->sizeHint().height(),
                                  least.height(), std::max(least.height(), area.height() - kFrame));
    resize(std::min(width, area.width()), height);
    // Centred over the window it belongs to, and inside the work area.
    const QWidget* over = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(over != nullptr ? over->geometry().center() : area.center());
    placed.moveLeft(std::clamp(placed.left(), area.left(),
                               std::max(area.left(), area.right() - placed.width())));
    placed.moveTop(std::clamp(placed.top(), area.top(),
                              std::max(area.top(), area.bottom() - placed.height() - kFrame / 2)));
    move(placed.topLeft());
}

void CSettingsDlg::OnFieldChosen(int slot, int column) {
    if (slot == CReadingPreview::kNoField) {
        // Only the fields that can be switched off can leave a column.
        for (std::size_t s = 0; s < kFieldSlots; ++s) {
            if (m_fieldChecks[s] != nullptr &&
                m_columns[s]->Number() == static_cast<unsigned>(column)) {
                m_fieldChecks[s]->setChecked(false);
            }
        }
    } else if (slot >= 0 && slot < kFieldSlots) {
        const auto s = static_cast<std::size_t>(slot);
        PutNumber(m_columns[s], column);
        if (m_fieldChecks[s] != nullptr) {
            m_fieldChecks[s]->setChecked(true);
        }
    }
    EnableFields();
    SchedulePreview();
}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CSettingsDlg::OnInitDialog() {
    m_bInitialised = true;
    m_ui->combo1039->clear();
    for (const char* entry : DateFormatList()) {
        m_ui->combo1039->addItem(QString::fromLatin1(entry));
    }
    UpdateData(false);
    m_ui->spin1034->SetRange(0, kMaxSkipRows);
    m_ui->spinFooter->SetRange(0, kMaxSkipRows);
    for (CNumberSpin* spin : m_columns) {
        spin->SetRange(kMinColumn, kMaxColumn);
    }
    EnableFields();
    RefreshPreview();
    FitToScreen();
    // The focus starts on the first control in tab order.
    m_ui->IDOK->setFocus(Qt::OtherFocusReason);
}

void CSettingsDlg::EnableFields() {
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (m_fieldChecks[s] != nullptr) {
            m_columns[s]->setEnabled(m_fieldChecks[s]->isChecked());
        }
    }
    m_ui->spin1034->setEnabled(m_ui->check1035->isChecked());
    // A decimal comma is read only with CSV reading.
    const bool csv = m_ui->checkCsv->isChecked();
    if (!csv) {
        m_ui->checkDecimalComma->setChecked(false);
    }
    m_ui->checkDecimalComma->setEnabled(csv);
}

void CSettingsDlg::PutText(QLineEdit* edit, const std::string& text, std::size_t limit) {
    const QString value = ToQt(text);
    edit->setMaxLength(std::max(static_cast<int>(limit), static_cast<int>(value.size())));
    edit->setText(value);
}

void CSettingsDlg::PutDateFormat(const std::string& text) {
    QComboBox* box = m_ui->combo1039;
    const QString value = ToQt(text);
    box->lineEdit()->setMaxLength(
        std::max(static_cast<int>(kMaxDateFormatLength), static_cast<int>(value.size())));
    const int code = DateFormatCode(text);
    if (code >= 1 && code <= box->count()) {
        box->setCurrentIndex(code - 1);  // shows the entry's full text
    } else {
        box->setCurrentIndex(-1);
        box->setEditText(value);
    }
}

void CSettingsDlg::PutReadingSettings(const ImportSettings& v) {
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (m_fieldChecks[s] != nullptr) {
            m_fieldChecks[s]->setChecked(v.fieldOn[s] != 0);
        }
        PutNumber(m_columns[s], v.fieldCol[s]);
    }
    PutNumber(m_ui->spin1034, v.skipRows);
    m_ui->check1035->setChecked(v.skipOn != 0);
    CheckRadio(m_delimiter, v.delimiter);
    PutDateFormat(v.dateFormat);
    m_ui->check1040->setChecked(v.reverse != 0);
    m_ui->check1041->setChecked(v.monthNames != 0);
    m_ui->checkCsv->setChecked(v.csv != 0);
    m_ui->checkDecimalComma->setChecked(v.decimalComma != 0);
    PutNumber(m_ui->spinFooter, v.footerRows);
}

ImportSettings CSettingsDlg::TakeControls() const {
    ImportSettings taken = m_settings;
    for (std::size_t s = 0; s < kFieldSlots; ++s) {
        if (m_fieldChecks[s] != nullptr) {
            taken.fieldOn[s] = m_fieldChecks[s]->isChecked() ? 1 : 0;
        }
        taken.fieldCol[s] = NumberOf(m_columns[s]);
    }
    taken.newMaster = m_newMaster.checkedId();
    taken.name = m_ui->edit1032->text().toStdString();
    taken.pathOut = ExpandHome(m_ui->edit1027->text()).toStdString();
    taken.symbol = m_ui->edit1031->text().toStdString();
    taken.skipRows = NumberOf(m_ui->spin1034);
    taken.skipOn = m_ui->check1035->isChecked() ? 1 : 0;
    taken.delimiter = m_delimiter.checkedId();
    taken.dateFormat = m_ui->combo1039->currentText().toStdString();
    taken.reverse = m_ui->check1040->isChecked() ? 1 : 0;
    taken.monthNames = m_ui->check1041->isChecked() ? 1 : 0;
    taken.csv = m_ui->checkCsv->isChecked() ? 1 : 0;
    taken.decimalComma = m_ui->checkDecimalComma->isChecked() ? 1 : 0;
    taken.footerRows = NumberOf(m_ui->spinFooter);
    return taken;
}

bool CSettingsDlg::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        const ImportSettings& v = m_settings;
        PutReadingSettings(v);
        CheckRadio(m_newMaster, v.newMaster);
        PutText(m_ui->edit1032, v.name, kMaxNameLength);
        PutText(m_ui->edit1027, v.pathOut, kMaxPathLength);
        PutText(m_ui->edit1031, v.symbol, kMaxSymbolLength);
        if (m_bInitialised) {
            EnableFields();
        }
        return true;
    }

    ImportSettings taken = TakeControls();
    if (const auto problem = CheckExchange(taken, m_strInputPath)) {
        Report(problem->message, problem->setting);
        return false;
    }
    m_settings = taken;
    return true;
}

QWidget* CSettingsDlg::ControlOf(Setting setting) const {
    switch (setting) {
        case Setting::kDateCol:
            return m_columns[kSlotDate];
        case Setting::kOpenCol:
            return m_columns[kSlotOpen];
        case Setting::kHiCol:
            return m_columns[kSlotHigh];
        case Setting::kLoCol:
            return m_columns[kSlotLow];
        case Setting::kCloCol:
            return m_columns[kSlotClose];
        case Setting::kVolCol:
            return m_columns[kSlotVolume];
        case Setting::kOICol:
            return m_columns[kSlotOpenInterest];
        case Setting::kNewMaster:
            return m_newMaster.checkedButton() != nullptr ? m_newMaster.checkedButton()
                                                          : m_ui->radio1028;
        case Setting::kName:
            return m_ui->edit1032;
        case Setting::kPathOut:
            return m_ui->edit1027;
        case Setting::kSymbol:
            return m_ui->edit1031;
        case Setting::kSkipRows:
            return m_ui->spin1034;
        case Setting::kSkipOn:
            return m_ui->check1035;
        case Setting::kDelimiter:
            return m_delimiter.checkedButton() != nullptr ? m_delimiter.checkedButton()
                                                          : m_ui->radio1036;
        case Setting::kDateFormat:
            return m_ui->combo1039;
        case Setting::kReverse:
            return m_ui->check1040;
        case Setting::kMonthNames:
            return m_ui->check1041;
        case Setting::kFooterRows:
            return m_ui->spinFooter;
        case Setting::kDecimalComma:
            return m_ui->checkDecimalComma;
        default:
            break;
    }
    return nullptr;
}

void CSettingsDlg::Report(const Message& message, Setting setting) {
    QWidget* control = ControlOf(setting);
    // A switched-off field's column cannot take the focus: the message names
    // the field and the focus goes to its box, which is how it is corrected.
    const auto slot = static_cast<std::size_t>(
        std::find(m_columns.begin(), m_columns.end(), control) - m_columns.begin());
    if (control != nullptr && !control->isEnabled() && slot < kFieldSlots &&
        m_fieldChecks[slot] != nullptr &&
        message.id == MessageName(MessageId::kIntegerOutOfRange)) {
        QString field = m_fieldChecks[slot]->text();
        field.remove(QLatin1Char('&'));
        std::vector<std::string> params = message.params;  // low, high
        params.insert(params.begin(), field.toStdString());
        m_sink.Show(MakeMessage(MessageId::kSwitchedOffColumnOutOfRange, std::move(params)));
        m_fieldChecks[slot]->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_sink.Show(message);
    if (control == nullptr) {
        return;
    }
    // The user corrects the value from where the message points, with the
    // text selected for typing over it.
    control->setFocus(Qt::OtherFocusReason);
    if (auto* spin = qobject_cast<CNumberSpin*>(control)) {
        spin->Edit()->selectAll();
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->selectAll();
    } else if (auto* box = qobject_cast<QComboBox*>(control)) {
        box->lineEdit()->selectAll();
    }
}

void CSettingsDlg::OnFieldCheck(std::size_t slot) {
    // Only the pair follows its box: a value that fails its check is told at
    // OK, not again at every tick (which is how a switched-off field's
    // column gets corrected).
    m_columns[slot]->setEnabled(m_fieldChecks[slot]->isChecked());
}

void CSettingsDlg::OnSkipRows() {
    UpdateData(true);
    const bool on = m_ui->check1035->isChecked();
    m_ui->spin1034->setEnabled(on);
    if (!on) {
        m_ui->spin1034->Edit()->setText(QStringLiteral("0"));
    }
}

void CSettingsDlg::OnReverse() {
    UpdateData(true);
    if (m_ui->check1040->isChecked()) {
        m_sink.Show(MakeMessage(MessageId::kReverseNote));
    }
}

void CSettingsDlg::OnMonthNames() {
    m_sink.Show(MakeMessage(MessageId::kMonthNamesNote));
}

void CSettingsDlg::OnBrowse() {
    UpdateData(true);
    // Starts from the path as it stands in its field, and changes only that
    // field, so that nothing else the user typed is lost.
    CChooseDir chooser(m_sink, this);
    chooser.SetInitialDir(ExpandHome(m_ui->edit1027->text()).toStdString());
    const int result = runModal ? runModal(chooser) : chooser.exec();
    if (result != QDialog::Accepted) {
        return;
    }
    m_settings.pathOut = chooser.Directory();
    PutText(m_ui->edit1027, m_settings.pathOut, kMaxPathLength);
}

void CSettingsDlg::OnDetect() {
    Detection found;
    if (RunGuarded(m_sink, [&] {
            found = DetectLayout(m_strInputPath);
            return 0;
        }) != 0) {
        return;
    }
    if (!found.convertible) {
        m_sink.Show(MakeMessage(MessageId::kDetectionFailed, {found.whyNot}));
        return;
    }
    // Only the controls for reading the file change, and only on screen:
    // what the user typed elsewhere stays, and nothing is kept until OK.
    PutReadingSettings(found.settings);
    EnableFields();

    // Each guess and warning a paragraph of its own.
    std::string findings;
    for (const DetectedChoice& choice : found.choices) {
        // A guess the warnings already explain is not told twice.
        const bool told = !choice.reason.empty() &&
                          std::any_of(found.warnings.begin(), found.warnings.end(),
                                      [&](const std::string& warning) {
                                          return warning.find(choice.reason) != std::string::npos;
                                      });
        if (choice.confidence == Confidence::kGuess && !told) {
            findings += "\n\nGuessed " + choice.setting + ": " + choice.value;
            if (!choice.reason.empty()) {
                findings += " (" + choice.reason + ")";
            }
        }
    }
    for (const std::string& warning : found.warnings) {
        findings += "\n\n" + warning;
    }
    if (found.settings.reverse != 0) {
        // The same consequence the Reverse box announces when clicked.
        findings +=
            "\n\nThe file is newest first, so Reverse File Order is set: the input file will be "
            "saved with the extension BAK and then reversed.";
    }
    m_sink.Show(MakeMessage(MessageId::kDetectionWarnings, {findings}));
}

void CSettingsDlg::accept() {
    OnOK();
}

void CSettingsDlg::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    ImportSettings checked = m_settings;
    const auto problem = CheckForConversion(checked);
    // Once the symbol has passed, the controls show it trimmed and upper-cased
    // and the date format box shows the entry the typed text selects.
    if (!problem || problem->setting == Setting::kPathOut) {
        m_settings = checked;
        UpdateData(false);
    }
    if (problem) {
        Report(problem->message, problem->setting);
        return;
    }
    m_nDateFormat = m_ui->combo1039->currentIndex() + 1;
    if (!UpdateData(true)) {
        return;
    }
    QDialog::accept();
}

}  // namespace torvan
