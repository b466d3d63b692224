// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/ChooseDir.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <filesystem>
#include <memory>

#include "GuiTestSupport.h"
#include "TestSupport.h"

namespace torvan::test {
namespace {

// A chooser opened on a folder with the subdirectories "alpha", "beta" and
// "gamma"; the recording sink answers Yes/No questions with answer.
class ChooseDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"gamma", "alpha", "beta", ".hidden"}) {
            std::filesystem::create_directory(base.File(name));
        }
        WriteText(base.File("file.txt"), "x");
    }
    void Open(const std::string& initial, int answer = kIdYes) {
        sink = std::make_unique<RecordingSink>(answer);
        dlg = std::make_unique<CChooseDir>(*sink);
        dlg->SetInitialDir(initial);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    QLineEdit* Name() { return Control<QLineEdit>(dlg.get(), "edit101"); }
    QListWidget* List() { return Control<QListWidget>(dlg.get(), "list1121"); }
    QStringList Entries() {
        QStringList texts;
        for (int i = 0; i < List()->count(); ++i) {
            texts << List()->item(i)->text();
        }
        return texts;
    }
    // Clicks OK; true when the dialog closed with OK.
    bool PressOk() {
        Click(Control<QAbstractButton>(dlg.get(), "IDOK"));
        return !dlg->isVisible() && dlg->result() == QDialog::Accepted;
    }
    void ClickEntry(int row) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(List()->item(row)).center());
    }

    TempDir base;
    std::unique_ptr<RecordingSink> sink;
    std::unique_ptr<CChooseDir> dlg;
};

TEST_F(ChooseDirTest, ListsThePathComponentsThenTheSubdirectories) {
    Open(base.Path());
    QStringList expected{"/"};
    expected << QString::fromStdString(base.Path()).split('/', Qt::SkipEmptyParts);
    const int components = static_cast<int>(expected.size());
    expected << "alpha"
             << "beta"
             << "gamma";  // sorted; no files, no hidden folders
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(List()->currentRow(), components - 1);
    EXPECT_EQ(Name()->text(), QString::fromStdString(base.Path()));
    EXPECT_EQ(QApplication::focusWidget(), List());
    const auto* drives = Control<QComboBox>(dlg.get(), "combo1137");
    EXPECT_EQ(drives->currentText(), "/");

    // Opening at once and confirming returns the directory.
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->Directory(), base.Path());
    EXPECT_TRUE(sink->Messages().empty());
}

TEST_F(ChooseDirTest, TheNameFieldMirrorsTheSelectedEntry) {
    Open(base.Path());
    const int components = List()->currentRow() + 1;
    ClickEntry(components + 1);  // "beta": the open directory's subdirectory only
    EXPECT_EQ(Name()->text(), QString::fromStdString(base.File("beta")));
    ClickEntry(0);
    EXPECT_EQ(Name()->text(), "/");
    ClickEntry(components - 2);  // the parent of the open directory
    EXPECT_EQ(Name()->text(),
              QString::fromStdString(std::filesystem::path(base.Path()).parent_path().string()));

    // A double click opens a subdirectory; Enter opens the selected entry.
    const QPoint gamma = List()->visualItemRect(List()->item(components + 2)).center();
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, gamma);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, gamma);
    QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, gamma);
    EXPECT_EQ(dlg->OpenedDirectory(), QString::fromStdString(base.File("gamma")));
    EXPECT_EQ(Entries().last(), "gamma");
    EXPECT_EQ(Name()->text(), QString::fromStdString(base.File("gamma")));
    List()->setCurrentRow(components - 1);
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible()) << "Enter in the list does not confirm";
    EXPECT_EQ(dlg->OpenedDirectory(), QString::fromStdString(base.Path()));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->Directory(), base.Path());
}

TEST_F(ChooseDirTest, InvalidCharactersAreRefused) {
    Open(base.Path());
    for (const char* typed : {"c:\\data", "a*b", "what?", "x|y", "<in>", "\"q\""}) {
        TypeOver(Name(), QString::fromLatin1(typed));
        EXPECT_FALSE(PressOk()) << typed;
        EXPECT_EQ(sink->Texts().back(), std::string(typed) + " is not a valid pathname.");
    }
    EXPECT_EQ(sink->Messages().size(), 6U);
    EXPECT_FALSE(std::filesystem::exists(base.File("a*b")));
    TypeOver(Name(), "  ");
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink->Texts().back(), "Please enter path");
}

TEST_F(ChooseDirTest, AMissingDirectoryIsCreatedOnYesAndReturnedAsTyped) {
    Open(base.Path());
    const std::string typed = base.Path() + "/beta/new one";
    TypeOver(Name(), QString::fromStdString(typed));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(sink->Texts(), std::vector<std::string>{"Directory " + typed +
                                                      " does not exist.\nCreate this directory?"});
    EXPECT_EQ(sink->Messages()[0].type & 0x0F, kMbYesNo);
    EXPECT_TRUE(IsDirectory(typed));
    EXPECT_EQ(dlg->Directory(), typed);
}

TEST_F(ChooseDirTest, AnsweringNoKeepsTheDialogOpenAndCreatesNothing) {
    Open(base.Path(), kIdNo);
    TypeOver(Name(), QString::fromStdString(base.File("later")));
    EXPECT_FALSE(PressOk());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(std::filesystem::exists(base.File("later")));
    EXPECT_EQ(sink->Ids(), std::vector<std::string>{"CreateDirectory"});
}

TEST_F(ChooseDirTest, AMissingParentMakesTheCreationFail) {
    Open(base.Path());
    const std::string typed = base.Path() + "/no/such";
    TypeOver(Name(), QString::fromStdString(typed));
    EXPECT_FALSE(PressOk());
    ASSERT_EQ(sink->Texts().size(), 2U);
    EXPECT_EQ(sink->Texts()[1],
              "There was a problem creating " + typed + ".\nThe new directory was not created.");
    EXPECT_FALSE(std::filesystem::exists(base.File("no")));

    // A file in the way fails the same way.
    TypeOver(Name(), QString::fromStdString(base.File("file.txt")));
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(sink->Ids().back(), "CreateDirectoryFailed");
}

TEST_F(ChooseDirTest, RelativeNamesAreTakenFromTheOpenDirectoryNotTheWorkingOne) {
    const QString working = QDir::currentPath();
    Open(base.File("alpha"));
    TypeOver(Name(), "../beta");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->Directory(), base.File("beta"));

    Open(base.File("alpha"));
    TypeOver(Name(), "fresh");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->Directory(), base.File("alpha/fresh"));
    EXPECT_TRUE(IsDirectory(base.File("alpha/fresh")));
    EXPECT_EQ(QDir::currentPath(), working) << "the dialog never changes the working directory";
}

TEST_F(ChooseDirTest, AStartingDirectoryThatIsMissingOpensItsParentAndOffersIt) {
    const std::string missing = base.File("beta/not yet");
    Open(missing);
    EXPECT_EQ(dlg->OpenedDirectory(), QString::fromStdString(base.File("beta")));
    EXPECT_EQ(Name()->text(), QString::fromStdString(missing));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(sink->Ids(), std::vector<std::string>{"CreateDirectory"});
    EXPECT_EQ(dlg->Directory(), missing);
}

TEST_F(ChooseDirTest, TheDriveBoxOpensTheRootOfTheChosenVolume) {
    Open(base.Path());
    auto* drives = Control<QComboBox>(dlg.get(), "combo1137");
    ASSERT_GE(drives->count(), 1);
    EXPECT_EQ(drives->itemText(0), "/");
    drives->setCurrentIndex(0);
    emit drives->activated(0);
    EXPECT_EQ(dlg->OpenedDirectory(), "/");
    EXPECT_EQ(List()->item(0)->text(), "/");
    EXPECT_EQ(Name()->text(), "/");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dlg->Directory(), "/");
}

}  // namespace
}  // namespace torvan::test
