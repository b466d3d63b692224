// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "platform/Message.h"

namespace Ui {
class ChooseDir;
}

class QShowEvent;

namespace torvan {

// A typed path with a leading "~" or "~/" taken as the home directory, as in
// a shell; any other path as it is.
QString ExpandHome(const QString& path);

// The modal "Choose Directory" dialog of the Conversion Settings' Browse
// button. The drive box lists the file-system roots (on Unix: "/" and the
// mounted volumes); the directory list shows the components of the open
// directory's path, starting with its root, then its subdirectories. The
// directory-name field mirrors the selected entry, or takes a typed path.
// On OK a typed directory that does not exist can be created. Controls carry
// their ids as object names: "edit101", "list1121", "combo1137".
// The dialog never changes the process's working directory.
class CChooseDir : public QDialog {
    Q_OBJECT

  public:
    explicit CChooseDir(IMessageSink& sink, QWidget* parent = nullptr);
    ~CChooseDir() override;

    // The directory to open when the dialog is first shown. Empty: the
    // working directory. One that does not exist opens its nearest existing
    // parent and stays in the name field, so that OK offers to create it.
    void SetInitialDir(const std::string& directory);

    // After OK: the chosen directory. A typed absolute path comes back
    // exactly as typed; a relative one is taken from the open directory.
    std::string Directory() const { return m_result.toStdString(); }

    // The directory the list has open.
    const QString& OpenedDirectory() const { return m_strDir; }

    // Shows path (or its nearest existing parent) in the list and selects it.
    void OpenDirectory(const QString& path);

    // Fills the drive box, opens the initial directory and puts the focus
    // on the list. Runs when the dialog is first shown, unless called before.
    void OnInitDialog();

    // OK: checks the name field's text and accepts an existing directory or
    // one created on request; otherwise the dialog stays open.
    void accept() override;

    // The roots the drive box offers.
    static QStringList DriveRoots();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The path an entry of the directory list stands for.
    QString PathOfEntry(int row) const;
    void OnSelectionChanged(int row);
    void OnDriveChosen(int index);

    std::unique_ptr<Ui::ChooseDir> m_ui;
    IMessageSink& m_sink;
    QString m_strInitialDir;
    QString m_strDir;       // the directory open in the list
    int m_nComponents = 0;  // list entries that are components of m_strDir
    QString m_result;
    bool m_bInitialised = false;
};

}  // namespace torvan
