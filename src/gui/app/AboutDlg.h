// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutDlg;
}

namespace torvan {

class CStaticLink;

// The About box: what the program does, its version, the legal notice, the
// author credit, and links to the project's contact address and web page.
// Its layout is the form res/forms/AboutDlg.ui; the two links carry the
// object names link1022 (e-mail) and link1023 (web).
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    // linkVisited: the two visited flags (e-mail link, web link) that outlive
    // the box, so that a link opened once stays purple for the whole run.
    explicit CAboutDlg(int* linkVisited, QWidget* parent = nullptr);
    ~CAboutDlg() override;

    CStaticLink* m_mailLink = nullptr;
    CStaticLink* m_webLink = nullptr;

    static QString VersionText();

  private:
    std::unique_ptr<Ui::AboutDlg> m_ui;
};

}  // namespace torvan
