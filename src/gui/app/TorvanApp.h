// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "engine/JobResult.h"
#include "gui/app/RecentFileList.h"
#include "settings/ProfileStore.h"

namespace torvan {

class CMainFrame;
class CSettingsCommand;
class CTorvanDoc;
class QtMessageSink;

// The application: the profile store, the one document with its main window
// and view, the recent-file list, and the commands File > Open, New and
// About. One exists while the program runs; Instance() reaches it.
class CTorvanApp : public QObject {
    Q_OBJECT

  public:
    // The profile's base key below the store's root.
    static constexpr const char* kProfileBase = "Software\\Quennel\\Torvan";
    // The application name, also the last part of the base key.
    static constexpr const char* kAppName = "Torvan";

    CTorvanApp();
    ~CTorvanApp() override;
    CTorvanApp(const CTorvanApp&) = delete;
    CTorvanApp& operator=(const CTorvanApp&) = delete;

    static CTorvanApp* Instance();

    // Start-up: opens the profile store (below profileRoot; empty for the
    // user's configuration folder) and imports the legacy settings file if
    // the store was made just now, loads the recent-file list, creates the
    // document, main window and view and shows the window. A file named on
    // the command line is then opened as File > Open would open it, once the
    // event loop runs. False if the program cannot start.
    bool InitInstance(const QStringList& arguments, const std::string& profileRoot = {});
    // Saves what is kept at exit (the recent-file list).
    int ExitInstance();

    // The one profile store of the program.
    CProfileStore m_profile;
    // Whether each About box link (e-mail, web) was opened in this run.
    int m_linkVisited[2] = {0, 0};

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CTorvanDoc* Document() const { return m_document.get(); }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    // Whether the profile store was made by this start.
    bool ProfileCreated() const { return m_bProfileCreated; }

    // Commands.
    void OnFileOpen();
    void OnFileNew();
    void OnAppAbout();
    void OnOpenRecentFile(int index);

    // The open sequence: previews the file and runs the Settings command;
    // then records it as the document's path and in the recent-file list.
    bool OpenDocumentFile(const QString& path);

    // The Settings command on an input file: the Conversion Settings dialog
    // over the main window and, when confirmed, the conversion with its
    // messages. Nothing when the dialog was cancelled.
    std::optional<JobResult> RunSettingsCommand(const QString& inputPath);

    // Opens the help at a context number (0: the contents).
    void WinHelp(int context);

    // The filter of File > Open.
    static QString OpenFilter();

  private:
    CRecentFileList m_recentFiles;
    std::unique_ptr<CTorvanDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    // Made at the first Settings command and kept, so that it remembers
    // what a failed conversion was asked to do.
    std::unique_ptr<QtMessageSink> m_settingsSink;
    std::unique_ptr<CSettingsCommand> m_settingsCommand;
    bool m_bProfileCreated = false;
};

}  // namespace torvan
