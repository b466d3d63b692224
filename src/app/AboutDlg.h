#pragma once

#include <QDialog>

namespace torvan {

class CStaticLink;

// The About box: what the program does, its version, the legal notice, the
// author credit, and links to the project's contact address and web page.
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
};

}  // namespace torvan
