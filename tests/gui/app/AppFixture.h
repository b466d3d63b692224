// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "gui/app/MainFrame.h"
#include "gui/app/TorvanApp.h"
#include "settings/ProfileStore.h"

namespace torvan {

// Readable placements in failure messages.
inline char* toString(const Placement& p) {
    return qstrdup(QStringLiteral("(x %1, y %2, cx %3, cy %4)")
                       .arg(p.x)
                       .arg(p.y)
                       .arg(p.cx)
                       .arg(p.cy)
                       .toUtf8()
                       .constData());
}

}  // namespace torvan

namespace torvan::test {

// A started application on a profile store of its own in a fresh folder,
// on a work area of a given size. Closing it saves what the program saves
// at exit.
class AppFixture {
  public:
    explicit AppFixture(QSize workArea = {1024, 738}) : m_workArea(workArea) {
        CMainFrame::SetWorkAreaSource([this] { return m_workArea; });
    }
    ~AppFixture() {
        Stop();
        CMainFrame::SetWorkAreaSource(nullptr);
    }

    // The profile store the program will open, for setting it up first.
    CProfileStore& Profile() {
        if (!m_profileOpen) {
            bool created = false;
            m_profile.Open(ProfileRoot(), CTorvanApp::kProfileBase, created);
            m_profileOpen = true;
        }
        return m_profile;
    }
    std::string ProfileRoot() const { return m_profileDir.path().toStdString(); }

    bool Start(const QStringList& arguments = {}) {
        m_app = std::make_unique<CTorvanApp>();
        return m_app->InitInstance(arguments, ProfileRoot());
    }
    void Stop() {
        if (m_app) {
            m_app->MainFrame()->close();
            m_app->ExitInstance();
            m_app.reset();
        }
    }

    CTorvanApp& App() { return *m_app; }
    CMainFrame& Frame() { return *m_app->MainFrame(); }
    void SetWorkArea(QSize size) { m_workArea = size; }

  private:
    QSize m_workArea;
    QTemporaryDir m_profileDir;
    CProfileStore m_profile;
    bool m_profileOpen = false;
    std::unique_ptr<CTorvanApp> m_app;
};

}  // namespace torvan::test
