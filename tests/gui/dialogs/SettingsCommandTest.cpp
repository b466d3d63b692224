// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SettingsCommand.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "database/DatabaseReader.h"
#include "gui/dialogs/SettingsDlg.h"
#include "settings/ProfileStore.h"

namespace torvan::test {
namespace {

// Lists, in order, everything the command does that a user would notice.
class EventSink : public IMessageSink {
  public:
    explicit EventSink(std::vector<std::string>& events) : m_events(events) {}
    int Show(const Message& message) override {
        m_events.push_back("message: " + message.text);
        return DefaultAnswer(message.type);
    }

  private:
    std::vector<std::string>& m_events;
};

// The command on a profile in a temporary folder, converting a copy of the
// sample price file (MMDDYY, date, open, high, low, close, volume and open
// interest in columns 1 to 7: the defaults).
class SettingsCommandTest : public ::testing::Test {
  protected:
    SettingsCommandTest() : sink(events), command(store, sink) {
        bool created = false;
        EXPECT_TRUE(store.Open(temp.File("config"), "Software\\Quennel\\Torvan", created));
        input = temp.File("ibm.txt");
        std::filesystem::copy_file(TORVAN_SAMPLE_FILE, input);
        db = temp.File("db");
        std::filesystem::create_directory(db);
        command.beep = [this] { events.push_back("beep"); };
        command.beginWaitCursor = [this] { events.push_back("wait"); };
        command.endWaitCursor = [this] { events.push_back("end wait"); };
    }

    // Runs the command; drive fills in the shown dialog, then OK or Cancel
    // is clicked.
    std::optional<JobResult> Run(const std::function<void(CSettingsDlg&)>& drive, bool ok = true) {
        command.runModal = [&, ok](QDialog& dialog) {
            auto& settings = dynamic_cast<CSettingsDlg&>(dialog);
            settings.show();
            drive(settings);
            Click(Control<QAbstractButton>(&settings, ok ? "IDOK" : "IDCANCEL"));
            return settings.result();
        };
        return command.OnSettings(nullptr, input);
    }
    // Fills in what an empty profile leaves open.
    void Fill(CSettingsDlg& dlg, const char* symbol, bool newMaster) {
        TypeOver(Control<QLineEdit>(&dlg, "edit1027"), QString::fromStdString(db));
        TypeOver(Control<QLineEdit>(&dlg, "edit1031"), QString::fromLatin1(symbol));
        TypeOver(Control<QLineEdit>(&dlg, "edit1032"), "Sample");
        Click(Control<QAbstractButton>(&dlg, newMaster ? "radio1029" : "radio1028"));
    }
    std::size_t Securities() const {
        std::vector<SecurityEntry> entries;
        EXPECT_TRUE(ListSecurities(db, entries));
        return entries.size();
    }
    std::string Entry(const std::string& entry) {
        return store.GetString("Import", entry, "<missing>");
    }

    TempDir temp;
    CProfileStore store;
    std::vector<std::string> events;
    EventSink sink;
    CSettingsCommand command;
    std::string input;
    std::string db;
};

TEST_F(SettingsCommandTest, AnEmptyProfileShowsTheDefaultsAndCancelWritesNothing) {
    const std::string before = ReadText(store.FilePath());
    const auto result = Run(
        [this](CSettingsDlg& dlg) {
            EXPECT_EQ(dlg.m_strInputPath, input);
            EXPECT_EQ(Control<QComboBox>(&dlg, "combo1039")->currentText(), "MMDDYY");
            EXPECT_TRUE(Control<QAbstractButton>(&dlg, "radio1036")->isChecked());
            EXPECT_TRUE(Control<QAbstractButton>(&dlg, "radio1028")->isChecked());
            // First run: the output directory is the working directory.
            EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1027")->text(), QDir::currentPath());
            EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1031")->text(), "");
            EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1032")->text(), "");
            EXPECT_FALSE(Control<QAbstractButton>(&dlg, "check1035")->isChecked());
            EXPECT_FALSE(Control<QAbstractButton>(&dlg, "check1040")->isChecked());
            EXPECT_FALSE(Control<QAbstractButton>(&dlg, "check1041")->isChecked());
            EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1025")->text(), "7");
            EXPECT_TRUE(Control<QAbstractButton>(&dlg, "check1024")->isChecked());
        },
        false);
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(ReadText(store.FilePath()), before) << "not even Newbie2";
    EXPECT_TRUE(events.empty());
}

TEST_F(SettingsCommandTest, ASuccessfulConversionSavesEverythingThenReportsAndBeeps) {
    const auto result = Run([&](CSettingsDlg& dlg) {
        Fill(dlg, "ibm", true);
        TypeOver(Control<QComboBox>(&dlg, "combo1039")->lineEdit(), "mmddy");
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(result->Succeeded());
    EXPECT_EQ(result->recordsWritten, 300);
    // The outcome in words, with the notes on the lines in the same message.
    EXPECT_EQ(events, (std::vector<std::string>{
                          "wait", "end wait",
                          "message: Conversion completed successfully!\n\nIBM was written as "
                          "F1.DAT: 300 price records from 1998-01-02 to 1999-02-25, in the "
                          "database folder\n" +
                              db,
                          "beep"}));
    EXPECT_EQ(command.LastOutcome(), events[2].substr(events[2].find("IBM")));
    EXPECT_EQ(store.GetInt("Newbie", "Newbie2", 1), 0);
    EXPECT_EQ(Entry("DateFormat"), "MMDDYY");
    EXPECT_EQ(Entry("Exist"), "1");
    EXPECT_EQ(Entry("OICol"), "7");
    EXPECT_EQ(Entry("JAN"), "0");
    // Written by the job once its checks passed.
    EXPECT_EQ(Entry("PathOut"), db);
    EXPECT_EQ(Entry("Symbol"), "IBM");
    EXPECT_EQ(Entry("Name"), "Sample");
    EXPECT_EQ(Entry("PathIn"), input);
    EXPECT_EQ(Securities(), 1U);
}

TEST_F(SettingsCommandTest, ADuplicateSymbolFailsAndKeepsTheJobsEntriesButSavesTheDialogs) {
    ASSERT_TRUE(Run([&](CSettingsDlg& dlg) { Fill(dlg, "IBM", true); })->Succeeded());
    events.clear();

    const auto result = Run([&](CSettingsDlg& dlg) {
        // The saved settings come back, the path no longer the working one.
        EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1027")->text(), QString::fromStdString(db));
        EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1031")->text(), "IBM");
        Fill(dlg, "ibm ", false);
        TypeOver(Control<QLineEdit>(&dlg, "edit1032"), "Renamed");
        Click(Control<QAbstractButton>(&dlg, "check1035"));
        TypeOver(Control<QLineEdit>(&dlg, "edit1033"), "2");
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->Succeeded());
    // The job's own message, then the command's, and no beep.
    ASSERT_EQ(result->messages.size(), 1U);
    EXPECT_EQ(result->messages[0].id, "DuplicateSymbol");
    EXPECT_EQ(events, (std::vector<std::string>{"wait", "message: " + result->messages[0].text,
                                                "end wait", "message: Conversion failed."}));
    EXPECT_EQ(Entry("Name"), "Sample");
    EXPECT_EQ(Entry("Symbol"), "IBM");
    EXPECT_EQ(Entry("PathOut"), db);
    EXPECT_EQ(Entry("Exist"), "0");
    EXPECT_EQ(Entry("SkipOn"), "1");
    EXPECT_EQ(Entry("SkipRows"), "2");
    EXPECT_EQ(Securities(), 1U);
}

TEST_F(SettingsCommandTest, NotesOnSkippedLinesComeWithTheOutcome) {
    WriteText(input, "010298,1.5\n139998,2\n010598,x\n010698,2\n");
    ASSERT_TRUE(Run([&](CSettingsDlg& dlg) {
                    Fill(dlg, "two", true);
                    TypeOver(Control<QLineEdit>(&dlg, "edit1019"), "2");
                    for (const char* box :
                         {"check1009", "check1012", "check1015", "check1021", "check1024"}) {
                        Click(Control<QAbstractButton>(&dlg, box));
                    }
                })->Succeeded())
        << ::testing::PrintToString(events);
    ASSERT_EQ(events.size(), 4U);
    const std::string& said = events[2];
    for (const char* part :
         {"Conversion completed successfully!", "TWO was written as F1.DAT: 2 price records",
          "1 line has no valid date", "is line 2 of", "1 line has a date but no", "is line 3 of"}) {
        EXPECT_NE(said.find(part), std::string::npos) << part << " in " << said;
    }
}

TEST_F(SettingsCommandTest, AfterAFailureTheNextDialogShowsWhatWasConfirmed) {
    const std::string nowhere = temp.File("nowhere");
    const auto typeNowhere = [&](CSettingsDlg& dlg) {
        Fill(dlg, "IBM", true);
        TypeOver(Control<QLineEdit>(&dlg, "edit1027"), QString::fromStdString(nowhere));
    };
    ASSERT_FALSE(Run(typeNowhere)->Succeeded());
    const auto shows = [&](const std::string& path, const QString& symbol) {
        return [&, path, symbol](CSettingsDlg& dlg) {
            EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1027")->text().toStdString(), path);
            EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1031")->text(), symbol);
        };
    };
    // Cancel keeps them for the next try; the job saved none of them.
    EXPECT_FALSE(Run(shows(nowhere, "IBM"), false).has_value());
    EXPECT_EQ(Entry("Symbol"), "<missing>");
    ASSERT_TRUE(Run([&](CSettingsDlg& dlg) {
                    shows(nowhere, "IBM")(dlg);
                    TypeOver(Control<QLineEdit>(&dlg, "edit1027"), QString::fromStdString(db));
                })->Succeeded());
    // After a success the saved settings are shown again.
    store.WriteString("Import", "Symbol", "SAVED");
    Run(shows(db, "SAVED"), false);
}

TEST_F(SettingsCommandTest, AfterAConfirmedDialogAnEmptyPathStaysEmpty) {
    store.WriteInt("Newbie", "Newbie2", 0);
    const auto result =
        Run([](CSettingsDlg& dlg) { EXPECT_EQ(Control<QLineEdit>(&dlg, "edit1027")->text(), ""); },
            false);
    EXPECT_FALSE(result.has_value());
}

TEST_F(SettingsCommandTest, IsAvailableOnceAFileIsOpen) {
    EXPECT_FALSE(command.OnUpdateSettings(""));
    EXPECT_TRUE(command.OnUpdateSettings(input));
}

}  // namespace
}  // namespace torvan::test
