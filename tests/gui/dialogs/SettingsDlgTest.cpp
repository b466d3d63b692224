// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SettingsDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "gui/dialogs/ChooseDir.h"
#include "gui/dialogs/NumberSpin.h"

namespace torvan::test {
namespace {

// The dialog as the Settings command shows it, filled with the defaults of
// an empty profile, an output directory and a symbol, so that OK goes
// through unless a test changes something.
class SettingsDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dlg = std::make_unique<CSettingsDlg>(sink);
        dlg->m_settings.pathOut = out.Path();
        dlg->m_settings.symbol = "IBM";
        dlg->m_strInputPath = "/data/ibm.txt";
    }
    void Show() {
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    QLineEdit* Edit(const char* name) { return Control<QLineEdit>(dlg.get(), name); }
    QAbstractButton* Button(const char* name) { return Control<QAbstractButton>(dlg.get(), name); }
    QComboBox* DateBox() { return Control<QComboBox>(dlg.get(), "combo1039"); }
    // Clicks OK; true when the dialog closed with OK.
    bool PressOk() {
        Click(Button("IDOK"));
        return !dlg->isVisible() && dlg->result() == QDialog::Accepted;
    }

    RecordingSink sink;
    TempDir out;
    std::unique_ptr<CSettingsDlg> dlg;
};

TEST_F(SettingsDlgTest, ShowsTheValuesInTheControlsInTabOrder) {
    Show();
    const char* columns[] = {"edit1004", "edit1010", "edit1013", "edit1016",
                             "edit1019", "edit1022", "edit1025"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Edit(columns[i])->text(), QString::number(i + 1));
        EXPECT_TRUE(Edit(columns[i])->isEnabled());
    }
    for (const char* check : {"check1009", "check1012", "check1015", "check1021", "check1024"}) {
        EXPECT_TRUE(Button(check)->isChecked()) << check;
    }
    EXPECT_TRUE(Button("radio1036")->isChecked());  // comma
    EXPECT_TRUE(Button("radio1028")->isChecked());  // use existing master
    EXPECT_FALSE(Button("radio1029")->isChecked());
    EXPECT_EQ(DateBox()->count(), 12);
    EXPECT_EQ(DateBox()->itemText(0), "YY_MM_DD");
    EXPECT_EQ(DateBox()->itemText(11), "DDMMCCYY");
    EXPECT_EQ(DateBox()->currentIndex(), 8);  // "MMDDYY", entry 9
    EXPECT_EQ(DateBox()->currentText(), "MMDDYY");
    EXPECT_FALSE(Button("check1035")->isChecked());
    EXPECT_FALSE(Edit("edit1033")->isEnabled());
    EXPECT_EQ(Edit("edit1033")->text(), "0");
    EXPECT_FALSE(Button("check1040")->isChecked());
    EXPECT_FALSE(Button("check1041")->isChecked());
    EXPECT_EQ(Edit("edit1027")->text(), QString::fromStdString(out.Path()));
    EXPECT_EQ(Edit("edit1031")->text(), "IBM");
    EXPECT_EQ(Edit("edit1032")->text(), "");
    EXPECT_EQ(dlg->windowTitle(), "Conversion Settings");

    // The focus starts on OK, and Tab walks the controls in the dialog's order.
    EXPECT_EQ(QApplication::focusWidget(), Button("IDOK"));
    const char* order[] = {"IDCANCEL",     "spin1005",     "check1009",  "spin1011",   "check1012",
                           "spin1014",     "check1015",    "spin1017",   "spin1020",   "check1021",
                           "spin1023",     "check1024",    "spin1026",   "radio1036",  "combo1039",
                           "check1041",    "check1035",    "spinFooter", "check1040",  "checkCsv",
                           "detectButton", "previewTable", "edit1027",   "button1030", "radio1028",
                           "edit1031",     "edit1032",     "IDOK"};
    for (const char* name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QWidget* focus = QApplication::focusWidget();
        // The number fields take the focus inside their spin box.
        const QWidget* control =
            qobject_cast<CNumberSpin*>(focus->parentWidget()) ? focus->parentWidget() : focus;
        EXPECT_EQ(control->objectName(), QString::fromLatin1(name));
    }

    // Confirming at once hands on the values shown and the list position.
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_nDateFormat, 9);
    EXPECT_EQ(dlg->m_settings.dateFormat, "MMDDYY");
    EXPECT_EQ(dlg->m_settings.fieldCol, (std::array<int, 7>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(dlg->m_settings.delimiter, 0);
    EXPECT_EQ(dlg->m_settings.newMaster, 0);
    EXPECT_TRUE(sink.Messages().empty());
}

TEST_F(SettingsDlgTest, DuplicateColumnsAreRefusedUntilCorrectedOrSwitchedOff) {
    Show();
    TypeOver(Edit("edit1004"), "3");  // the date on the high's column 3
    EXPECT_FALSE(PressOk());
    ASSERT_EQ(sink.Texts(),
              std::vector<std::string>{"Duplicate columns specified\nCorrect or disable"});

    // Switching High off keeps its 3 but lets OK through.
    Click(Button("check1012"));
    EXPECT_FALSE(Edit("edit1013")->isEnabled());
    EXPECT_EQ(Edit("edit1013")->text(), "3");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.fieldOn[kSlotHigh], 0);
    EXPECT_EQ(dlg->m_settings.fieldCol[kSlotHigh], 3);
    EXPECT_EQ(dlg->m_settings.fieldCol[kSlotDate], 3);
    EXPECT_EQ(sink.Messages().size(), 1U);
}

TEST_F(SettingsDlgTest, ColumnTwentyIsUsableButNotTwice) {
    Show();
    TypeOver(Edit("edit1019"), "20");
    TypeOver(Edit("edit1025"), "20");
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink.Ids(), std::vector<std::string>{"DuplicateColumns"});
    TypeOver(Edit("edit1025"), "19");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.fieldCol[kSlotClose], 20);
}

TEST_F(SettingsDlgTest, ASwitchedOffFieldOutOfRangeIsStillRefusedWithTheBounds) {
    dlg->m_settings.fieldOn[kSlotVolume] = 0;
    dlg->m_settings.fieldCol[kSlotVolume] = 25;  // as a saved profile may hold it
    Show();
    EXPECT_FALSE(Edit("edit1022")->isEnabled());
    EXPECT_EQ(Edit("edit1022")->text(), "25");
    EXPECT_FALSE(PressOk());
    ASSERT_EQ(sink.Messages().size(), 1U);
    // Its column cannot take the focus: the field is named, its box focused,
    // and ticking it to correct the column says nothing more.
    EXPECT_EQ(sink.Messages()[0].id, "SwitchedOffColumnOutOfRange");
    EXPECT_NE(sink.Messages()[0].text.find("Volume"), std::string::npos);
    EXPECT_NE(sink.Messages()[0].text.find("between 1 and 20"), std::string::npos);
    EXPECT_EQ(QApplication::focusWidget(), Button("check1021"));
    Click(Button("check1021"));
    EXPECT_TRUE(Edit("edit1022")->isEnabled());
    ASSERT_EQ(sink.Messages().size(), 1U);
    TypeOver(Edit("edit1022"), "6");
    Click(Button("check1021"));
    ASSERT_TRUE(PressOk());
    sink.Clear();
    Show();

    // An empty field is no number: refused too. The focus goes to the
    // field named, with its text selected for typing over it.
    TypeOver(Edit("edit1004"), "");
    EXPECT_FALSE(PressOk());
    ASSERT_EQ(sink.Messages().size(), 1U);
    EXPECT_EQ(sink.Messages()[0].id, "IntegerOutOfRange");
    TypeOver(Edit("edit1004"), "0");
    Button("IDCANCEL")->setFocus();
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink.Messages().size(), 2U);
    EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>(dlg.get(), "spin1005"));
    EXPECT_EQ(Edit("edit1004")->selectedText(), "0");
}

TEST_F(SettingsDlgTest, NumberFieldsTakeDigitsOnlyAndTheArrowsStayInRange) {
    Show();
    QLineEdit* date = Edit("edit1004");
    TypeOver(date, "1x-2.5");
    EXPECT_EQ(date->text(), "125");  // what can be typed; the range check reports 125
    TypeOver(date, "19");
    QTest::keyClick(date, Qt::Key_Up);
    EXPECT_EQ(date->text(), "20");
    QTest::keyClick(date, Qt::Key_Up);
    EXPECT_EQ(date->text(), "20");
    TypeOver(date, "99");  // out of range: the arrows bring it back in
    QTest::keyClick(date, Qt::Key_Down);
    EXPECT_EQ(date->text(), "19");

    Click(Button("check1035"));
    QLineEdit* skip = Edit("edit1033");
    TypeOver(skip, "199");
    QTest::keyClick(skip, Qt::Key_PageUp);  // ten steps, stopped at 200
    EXPECT_EQ(skip->text(), "200");
    EXPECT_TRUE(sink.Messages().empty());
}

TEST_F(SettingsDlgTest, TheSymbolIsTrimmedAtTheEndAndUpperCased) {
    Show();
    TypeOver(Edit("edit1031"), "   ");
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"You did not enter a valid symbol"});
    EXPECT_EQ(QApplication::focusWidget(), Edit("edit1031"));

    // Once the symbol is good, the field shows it as it will be used, also
    // when the path is then refused.
    TypeOver(Edit("edit1031"), " ab ");
    TypeOver(Edit("edit1027"), "   ");
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink.Texts().back(), "Please enter path");
    EXPECT_EQ(Edit("edit1031")->text(), " AB");

    TypeOver(Edit("edit1027"), QString::fromStdString(out.Path()) + "  ");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.symbol, " AB");
    EXPECT_EQ(dlg->m_settings.pathOut, out.Path() + "  ");  // trailing blanks kept as typed
}

TEST_F(SettingsDlgTest, TextLimitsCapTypingAndLongerSavedTextsAreRefused) {
    dlg->m_settings.name = "A name of twenty ch";  // 19 characters, saved earlier
    Show();
    EXPECT_EQ(Edit("edit1032")->text(), "A name of twenty ch");
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Enter no more than 16 characters."});
    EXPECT_EQ(QApplication::focusWidget(), Edit("edit1032"));

    TypeOver(Edit("edit1032"), "International Business");
    EXPECT_EQ(Edit("edit1032")->text(), "International Bu");
    TypeOver(Edit("edit1031"), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(Edit("edit1031")->text(), "ABCDEFGHIJKLMNOP");
    QTest::keyClicks(DateBox()->lineEdit(), "_ABCDEFGHIJKLMN");
    EXPECT_EQ(DateBox()->currentText().size(), 12);
    TypeOver(DateBox()->lineEdit(), "MMDDYY");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.name, "International Bu");
}

TEST_F(SettingsDlgTest, AnInputPathLongerThan250CharactersCannotBeConverted) {
    dlg->m_strInputPath = "/" + std::string(250, 'p');
    Show();
    EXPECT_FALSE(PressOk());
    ASSERT_EQ(sink.Messages().size(), 1U);
    EXPECT_EQ(sink.Messages()[0].id, "InputPathTooLong");
}

TEST_F(SettingsDlgTest, TheDateFormatSelectsTheFirstEntryBeginningWithTheText) {
    dlg->m_settings.dateFormat = "ccyy";
    Show();
    EXPECT_EQ(DateBox()->currentIndex(), 1);
    EXPECT_EQ(DateBox()->currentText(), "CCYY_MM_DD");

    TypeOver(DateBox()->lineEdit(), "dd");
    EXPECT_EQ(DateBox()->currentText(), "dd");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_nDateFormat, 5);
    EXPECT_EQ(dlg->m_settings.dateFormat, "DD_MM_YY");
    EXPECT_EQ(DateBox()->currentText(), "DD_MM_YY");
}

TEST_F(SettingsDlgTest, ADateFormatMatchingNoEntryIsRefusedNamingIt) {
    Show();
    for (const char* typed : {"YYYY-MM-DD", "XYZ", ""}) {
        sink.Clear();
        TypeOver(DateBox()->lineEdit(), typed);
        EXPECT_FALSE(PressOk());
        ASSERT_EQ(sink.Ids(), std::vector<std::string>{"UnknownDateFormat"});
        EXPECT_NE(sink.Texts()[0].find(std::string("\"") + typed + "\""), std::string::npos);
        EXPECT_TRUE(DateBox()->hasFocus());
    }

    // Choosing an entry from the list after typing something else.
    auto other = std::make_unique<CSettingsDlg>(sink);
    other->m_settings = dlg->m_settings;
    other->show();
    TypeOver(other->findChild<QComboBox*>("combo1039")->lineEdit(), "zz");
    other->findChild<QComboBox*>("combo1039")->setCurrentIndex(11);
    Click(other->findChild<QAbstractButton*>("IDOK"));
    EXPECT_EQ(other->result(), QDialog::Accepted);
    EXPECT_EQ(other->m_nDateFormat, 12);
    EXPECT_EQ(other->m_settings.dateFormat, "DDMMCCYY");
}

TEST_F(SettingsDlgTest, CheckBoxMessagesShowWhenTheySay) {
    const std::string months =
        "If your original input file expresses\nmonths as three-letter strings then Torvan will "
        "\nautomatically translate this to two-digit months. \n\nYour original source file will "
        "not be changed.";
    const std::string reverse =
        "Your original input file will be \nsaved with the extension BAK.\n\nThen the file will "
        "be reversed so\nthe oldest entry is first.";
    Show();
    Click(Button("check1041"));
    Click(Button("check1041"));  // set, then cleared: the message both times
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{months, months}));
    EXPECT_FALSE(Button("check1041")->isChecked());

    Click(Button("check1040"));  // set: the message
    Click(Button("check1040"));  // cleared: none
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{months, months, reverse}));
    Click(Button("check1041"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.monthNames, 1);
    EXPECT_EQ(dlg->m_settings.reverse, 0);
}

TEST_F(SettingsDlgTest, ClearingSkipRowsSetsTheCountToZero) {
    dlg->m_settings.skipOn = 1;
    dlg->m_settings.skipRows = 15;
    Show();
    EXPECT_TRUE(Edit("edit1033")->isEnabled());
    EXPECT_EQ(Edit("edit1033")->text(), "15");
    Click(Button("check1035"));
    EXPECT_FALSE(Edit("edit1033")->isEnabled());
    EXPECT_EQ(Edit("edit1033")->text(), "0");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.skipOn, 0);
    EXPECT_EQ(dlg->m_settings.skipRows, 0);
}

TEST_F(SettingsDlgTest, EveryFieldBoxEnablesItsOwnPairEvenWhenAnotherValueIsWrong) {
    Show();
    TypeOver(Edit("edit1004"), "30");
    for (const char* pair :
         {"check1009:edit1010", "check1015:edit1016", "check1021:edit1022", "check1024:edit1025"}) {
        const QString names = QString::fromLatin1(pair);
        const QByteArray check = names.section(':', 0, 0).toLatin1();
        const QByteArray edit = names.section(':', 1, 1).toLatin1();
        Click(Button(check.constData()));
        EXPECT_FALSE(Edit(edit.constData())->isEnabled()) << pair;
        Click(Button(check.constData()));
        EXPECT_TRUE(Edit(edit.constData())->isEnabled()) << pair;
    }
    // The clicks say nothing; OK reports the date column.
    EXPECT_TRUE(sink.Messages().empty());
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink.Ids(), std::vector<std::string>{"IntegerOutOfRange"});
}

TEST_F(SettingsDlgTest, RadioGroupsWithNothingCheckedGiveMinusOne) {
    dlg->m_settings.delimiter = 5;
    dlg->m_settings.newMaster = 1;
    Show();
    EXPECT_FALSE(Button("radio1036")->isChecked());
    EXPECT_FALSE(Button("radio1037")->isChecked());
    EXPECT_FALSE(Button("radio1038")->isChecked());
    EXPECT_TRUE(Button("radio1029")->isChecked());
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.delimiter, -1);
    EXPECT_EQ(dlg->m_settings.newMaster, 1);

    dlg->show();
    Click(Button("radio1037"));
    Click(Button("radio1038"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.delimiter, 2);
    EXPECT_FALSE(Button("radio1037")->isChecked());
}

// The reading options of the core beyond the basic ones have controls of
// their own, so that no saved setting acts unseen or is lost by the dialog.
TEST_F(SettingsDlgTest, SemicolonCsvDecimalCommaAndFooterRows) {
    dlg->m_settings.delimiter = 3;
    dlg->m_settings.footerRows = 2;
    Show();
    EXPECT_TRUE(Button("radioSemicolon")->isChecked());
    EXPECT_EQ(Edit("editFooter")->text(), "2");
    EXPECT_FALSE(Button("checkCsv")->isChecked());
    EXPECT_FALSE(Button("checkDecimalComma")->isEnabled());

    Click(Button("checkCsv"));
    EXPECT_TRUE(Button("checkDecimalComma")->isEnabled());
    Click(Button("checkDecimalComma"));
    EXPECT_TRUE(Button("checkDecimalComma")->isChecked());
    Click(Button("checkCsv"));  // no decimal comma without CSV reading
    EXPECT_FALSE(Button("checkDecimalComma")->isChecked());
    EXPECT_FALSE(Button("checkDecimalComma")->isEnabled());
    Click(Button("checkCsv"));
    Click(Button("checkDecimalComma"));

    TypeOver(Edit("editFooter"), "201");
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"Please enter an integer between 0 and 200."});
    EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>(dlg.get(), "spinFooter"));
    TypeOver(Edit("editFooter"), "1");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.delimiter, 3);
    EXPECT_EQ(dlg->m_settings.csv, 1);
    EXPECT_EQ(dlg->m_settings.decimalComma, 1);
    EXPECT_EQ(dlg->m_settings.footerRows, 1);
}

// The preview table reads the file again as each reading setting changes.
TEST_F(SettingsDlgTest, ThePreviewFollowsDelimiterSkipRowsAndDateFormat) {
    dlg->m_strInputPath = out.File("in.csv");
    WriteText(dlg->m_strInputPath, "Date;Close;Vol\n2020-01-02;1.5;9\n2020-01-03;2;x\n");
    dlg->m_settings.fieldCol = {1, 2, 2, 2, 2, 3, 3};
    dlg->m_settings.fieldOn = {1, 0, 0, 0, 1, 0, 0};
    Show();
    auto* table = Control<QTableWidget>(dlg.get(), "previewTable");
    // Per row the "Read as" column, the number of columns, and whether the
    // last cell is marked as stored as 0.
    const auto seen = [&] {
        QCoreApplication::processEvents();
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r) {
            rows << table->item(r, 0)->text();
        }
        const QTableWidgetItem* last = table->item(table->rowCount() - 1, 3);
        return rows.join(QStringLiteral(" | ")) + QStringLiteral(" #%1").arg(table->columnCount()) +
               (last != nullptr && !last->toolTip().isEmpty() ? " zero" : "");
    };
    const QString noDate = QStringLiteral("no date in this format: skipped");
    const struct {
        std::function<void()> change;
        QString shows;
    } steps[] = {
        {[] {}, QStringList(3, noDate).join(" | ") + " #2"},
        {[&] { Click(Button("radioSemicolon")); }, QStringList(3, noDate).join(" | ") + " #4"},
        {[&] { DateBox()->setCurrentText("CCYY_MM_DD"); },
         noDate + " | 2020-01-02 | 2020-01-03 #4"},
        {[&] {
             Click(Button("check1035"));
             TypeOver(Edit("edit1033"), "1");
         },
         "header row, skipped | 2020-01-02 | 2020-01-03 #4"},
        {[&] { Click(Button("check1021")); },
         "header row, skipped | 2020-01-02 | 2020-01-03 #4 zero"},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(seen(), step.shows);
    }
    EXPECT_EQ(table->horizontalHeaderItem(3)->text(), "3\nVolume");
}

TEST_F(SettingsDlgTest, BrowseChangesThePathOnOkOnly) {
    TempDir chosen;
    Show();
    QString started;
    TypeOver(Edit("edit1031"), "typed");  // not yet confirmed: must survive Browse
    const auto choose = [&](bool ok) {
        dlg->runModal = [&, ok](QDialog& dialog) {
            auto& chooser = dynamic_cast<CChooseDir&>(dialog);
            chooser.show();
            started = chooser.OpenedDirectory();
            TypeOver(Control<QLineEdit>(&chooser, "edit101"),
                     QString::fromStdString(chosen.Path()));
            Click(Control<QAbstractButton>(&chooser, ok ? "IDOK" : "IDCANCEL"));
            return chooser.result();
        };
        Click(Button("button1030"));
    };
    choose(false);
    EXPECT_EQ(started, QString::fromStdString(out.Path()));  // starts from the field's path
    EXPECT_EQ(Edit("edit1027")->text(), QString::fromStdString(out.Path()));
    choose(true);
    EXPECT_EQ(Edit("edit1027")->text(), QString::fromStdString(chosen.Path()));
    EXPECT_EQ(Edit("edit1031")->text(), "typed");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.pathOut, chosen.Path());
    EXPECT_EQ(dlg->m_settings.symbol, "TYPED");
    EXPECT_TRUE(sink.Messages().empty());
}

TEST_F(SettingsDlgTest, ATypedTildeIsTheHomeDirectory) {
    Show();
    const std::string home = QDir::homePath().toStdString();
    for (const auto& [typed, meant] : std::vector<std::pair<QString, std::string>>{
             {"~", home}, {"~/prices", home + "/prices"}, {"a~/b", "a~/b"}}) {
        TypeOver(Edit("edit1027"), typed);
        ASSERT_TRUE(PressOk());
        EXPECT_EQ(dlg->m_settings.pathOut, meant);
        Show();
    }
}

TEST_F(SettingsDlgTest, CancelLeavesTheValuesAsTheyWere) {
    Show();
    TypeOver(Edit("edit1031"), "other");
    Click(Button("IDCANCEL"));
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(dlg->m_settings.symbol, "IBM");
}

// Detect fills the reading controls from the file as the core reads it;
// the rest of the dialog and the values are left to the user and to OK.
TEST_F(SettingsDlgTest, DetectFillsTheReadingControlsFromRealFiles) {
    struct Case {
        const char* file;
        std::array<const char*, 7> columns;  // date, open, high, low, close, volume, OI
        bool openInterest;
        const char* delimiterRadio;
        const char* dateFormat;
        bool reverse;
    };
    const Case cases[] = {
        // Nasdaq: date,close,volume,open,high,low, M/D/CCYY, newest first.
        {"nasdaq_tsla_2019_short.csv",
         {"1", "4", "5", "6", "2", "3", nullptr},
         false,
         "radio1036",
         "MM_DD_CCYY",
         true},
        // Finam: <DATE>;<TIME>;<OPEN>;..., DD/MM/YY, oldest first.
        {"finam_sber_2023_ddmmyy_semicolon.csv",
         {"1", "3", "4", "5", "6", "7", nullptr},
         false,
         "radioSemicolon",
         "DD_MM_YY",
         false},
    };
    const char* columnEdits[] = {"edit1004", "edit1010", "edit1013", "edit1016",
                                 "edit1019", "edit1022", "edit1025"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir in;
        const std::string path = in.File(c.file);
        std::filesystem::copy_file(RealData(c.file), path);
        const std::string before = ReadText(path);

        dlg = std::make_unique<CSettingsDlg>(sink);
        dlg->m_settings.pathOut = out.Path();
        dlg->m_settings.symbol = "IBM";
        dlg->m_settings.name = "Saved";
        dlg->m_settings.newMaster = 1;
        dlg->m_settings.delimiter = 1;  // tab, wrong for both files
        dlg->m_settings.fieldOn[kSlotOpenInterest] = 1;
        dlg->m_strInputPath = path;
        const ImportSettings saved = dlg->m_settings;
        Show();
        TypeOver(Edit("edit1031"), "typed");  // not yet confirmed: must survive Detect
        const std::size_t messagesBefore = sink.Messages().size();

        Click(Button("detectButton"));

        for (std::size_t s = 0; s < kFieldSlots; ++s) {
            if (c.columns[s] != nullptr) {
                EXPECT_EQ(Edit(columnEdits[s])->text(), c.columns[s]) << columnEdits[s];
                EXPECT_TRUE(Edit(columnEdits[s])->isEnabled()) << columnEdits[s];
            }
        }
        for (const char* check : {"check1009", "check1012", "check1015", "check1021"}) {
            EXPECT_TRUE(Button(check)->isChecked()) << check;
        }
        EXPECT_EQ(Button("check1024")->isChecked(), c.openInterest);
        EXPECT_EQ(Edit("edit1025")->isEnabled(), c.openInterest);
        EXPECT_TRUE(Button(c.delimiterRadio)->isChecked());
        EXPECT_FALSE(Button("radio1037")->isChecked());
        EXPECT_EQ(DateBox()->currentText(), c.dateFormat);
        EXPECT_TRUE(Button("check1035")->isChecked());
        EXPECT_TRUE(Edit("edit1033")->isEnabled());
        EXPECT_EQ(Edit("edit1033")->text(), "1");
        EXPECT_EQ(Edit("editFooter")->text(), "0");
        EXPECT_EQ(Button("check1040")->isChecked(), c.reverse);
        EXPECT_FALSE(Button("check1041")->isChecked());
        EXPECT_FALSE(Button("checkDecimalComma")->isChecked());  // the prices use decimal points
        // Path, symbol, name and master choice stay as they were.
        EXPECT_EQ(Edit("edit1027")->text(), QString::fromStdString(out.Path()));
        EXPECT_EQ(Edit("edit1031")->text(), "typed");
        EXPECT_EQ(Edit("edit1032")->text(), "Saved");
        EXPECT_TRUE(Button("radio1029")->isChecked());

        // One information message, answered without holding the dialog.
        ASSERT_EQ(sink.Messages().size(), messagesBefore + 1);
        const Message& told = sink.Messages().back();
        EXPECT_EQ(told.id, "DetectionWarnings");
        EXPECT_EQ(told.type, kMbOk | kMbIconInformation);
        EXPECT_EQ(told.text.find("extension BAK") != std::string::npos, c.reverse);
        EXPECT_TRUE(dlg->isVisible());
        // Nothing is taken before OK, and the file is only read.
        EXPECT_EQ(dlg->m_settings.fieldCol, saved.fieldCol);
        EXPECT_EQ(dlg->m_settings.delimiter, 1);
        EXPECT_EQ(ReadText(path), before);

        ASSERT_TRUE(PressOk());
        EXPECT_EQ(dlg->m_settings.dateFormat, c.dateFormat);
        EXPECT_EQ(dlg->m_settings.reverse, c.reverse ? 1 : 0);
        EXPECT_EQ(dlg->m_settings.skipRows, 1);
        EXPECT_EQ(dlg->m_settings.fieldCol[kSlotClose], std::stoi(c.columns[kSlotClose]));
        EXPECT_EQ(dlg->m_settings.symbol, "TYPED");
        EXPECT_EQ(dlg->m_settings.pathOut, out.Path());
        EXPECT_EQ(dlg->m_settings.name, "Saved");
        EXPECT_EQ(dlg->m_settings.newMaster, 1);
        EXPECT_EQ(ReadText(path), before);
    }
}

TEST_F(SettingsDlgTest, DetectOnAnEmptyOrMissingFileSaysWhyAndChangesNothing) {
    TempDir in;
    const std::string empty = in.File("empty.csv");
    WriteText(empty, "");
    dlg->m_settings.fieldCol = {3, 4, 5, 6, 7, 8, 9};
    dlg->m_settings.delimiter = 2;
    dlg->m_settings.skipOn = 1;
    dlg->m_settings.skipRows = 4;
    dlg->m_settings.dateFormat = "DDMMCCYY";
    const ImportSettings saved = dlg->m_settings;
    Show();
    for (const std::string& path : {empty, in.File("missing.csv")}) {
        SCOPED_TRACE(path);
        dlg->m_strInputPath = path;
        const std::size_t messagesBefore = sink.Messages().size();
        Click(Button("detectButton"));
        ASSERT_EQ(sink.Messages().size(), messagesBefore + 1);
        const Message& told = sink.Messages().back();
        EXPECT_EQ(told.id, "DetectionFailed");
        EXPECT_EQ(told.type, kMbOk | kMbIconExclamation);
        ASSERT_EQ(told.params.size(), 1U);
        EXPECT_FALSE(told.params[0].empty());  // the reason
        EXPECT_NE(told.text.find(told.params[0]), std::string::npos);

        EXPECT_EQ(Edit("edit1004")->text(), "3");
        EXPECT_EQ(Edit("edit1025")->text(), "9");
        EXPECT_TRUE(Button("radio1038")->isChecked());
        EXPECT_EQ(Edit("edit1033")->text(), "4");
        EXPECT_EQ(DateBox()->currentText(), "DDMMCCYY");
        EXPECT_TRUE(dlg->isVisible());
    }
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->m_settings.fieldCol, saved.fieldCol);
    EXPECT_EQ(dlg->m_settings.delimiter, 2);
    EXPECT_EQ(dlg->m_settings.skipRows, 4);
    EXPECT_EQ(dlg->m_settings.dateFormat, "DDMMCCYY");
}

}  // namespace
}  // namespace torvan::test
