// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/Message.h"
#include "settings/ImportSettings.h"

namespace Ui {
class SettingsDlg;
}

class QAbstractButton;
class QLineEdit;
class QShowEvent;

namespace torvan {

class CNumberSpin;
class CReadingPreview;

// The modal "Conversion Settings" dialog: the user assigns input columns to
// the price fields and states the delimiter, the date format, skipping and
// reversing of rows, month names, the output directory, new or existing
// MASTER, symbol and name. The caller fills the values before showing it
// and reads them after OK; the dialog neither reads nor writes the profile.
// Its checks are the core's (CheckExchange, CheckForConversion); it only
// moves values between them and the controls, whose object names are the
// control ids ("edit1004", "check1009", "combo1039", ...).
class CSettingsDlg : public QDialog {
    Q_OBJECT

  public:
    // Every message of the dialog (and of the Choose Directory dialog it
    // opens) goes to sink.
    explicit CSettingsDlg(IMessageSink& sink, QWidget* parent = nullptr);
    ~CSettingsDlg() override;

    // The values, named after their profile entries.
    ImportSettings m_settings;
    // The input file's path (shown in no control).
    std::string m_strInputPath;
    // Position 1..12 of the date format list entry selected on OK; 0 when none.
    int m_nDateFormat = 0;

    // Shows a dialog modally and returns its result; QDialog::exec unless
    // replaced (tests drive the Choose Directory dialog through it).
    std::function<int(QDialog&)> runModal;

    // Moves the values into the controls (false) or takes them from the
    // controls with their checks (true). A failing check shows its message,
    // puts the focus on its control and leaves the values as they were;
    // the result is then false.
    bool UpdateData(bool saveAndValidate = true);

    // Fills the date format list, puts the values into the controls and
    // sets ranges and enabled states. Runs when the dialog is first shown,
    // unless called before.
    void OnInitDialog();

    // OK: the checks, then closing with Accepted (see OnOK).
    void accept() override;

    // How many lines of the input file the reading preview shows.
    static constexpr std::size_t kPreviewLines = 40;
    // Reads the preview again at once (it follows every reading setting
    // shortly after it changes).
    void RefreshPreview();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnOK();
    void OnFieldCheck(std::size_t slot);
    void OnSkipRows();
    void OnReverse();
    void OnMonthNames();
    void OnBrowse();
    // Detect: fills the reading controls with the layout the core reads
    // from the input file and tells what it guessed or found odd.
    void OnDetect();

    // The control a problem is about, to put the focus on.
    QWidget* ControlOf(Setting setting) const;
    void Report(const Message& message, Setting setting);
    void PutText(QLineEdit* edit, const std::string& text, std::size_t limit);
    void PutDateFormat(const std::string& text);
    // The controls for reading the input file: columns, delimiter, date
    // format, rows to skip, order, month names, CSV reading and footer.
    void PutReadingSettings(const ImportSettings& values);
    void EnableFields();
    // The values on screen, unchecked.
    ImportSettings TakeControls() const;
    void SchedulePreview();
    // A size that shows the preview's lines whole where the screen has room,
    // inside the screen's work area.
    void FitToScreen();
    void OnFieldChosen(int slot, int column);
    void ConnectReadingControls();

    std::unique_ptr<Ui::SettingsDlg> m_ui;
    IMessageSink& m_sink;
    std::array<CNumberSpin*, kFieldSlots> m_columns{};
    std::array<QAbstractButton*, kFieldSlots> m_fieldChecks{};  // null for date and close
    QButtonGroup m_newMaster;
    QButtonGroup m_delimiter;
    bool m_bInitialised = false;
    CReadingPreview* m_preview = nullptr;
    QTimer m_previewTimer;
};

}  // namespace torvan
