// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/TorvanApp.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

#include "gui/app/AboutDlg.h"
#include "gui/app/DatabasePanel.h"
#include "gui/app/MainFrame.h"
#include "gui/app/OpenProposal.h"
#include "gui/app/ProjectInfo.h"
#include "gui/app/TorvanDoc.h"
#include "gui/app/TorvanView.h"
#include "gui/dialogs/MessageTranslation.h"
#include "gui/dialogs/QtMessageSink.h"
#include "gui/dialogs/SettingsCommand.h"
#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"

namespace torvan {
namespace {
CTorvanApp* g_app = nullptr;
}  // namespace

CTorvanApp::CTorvanApp() {
    g_app = this;
}

CTorvanApp::~CTorvanApp() {
    m_settingsCommand.reset();
    m_settingsSink.reset();
    m_frame.reset();
    m_document.reset();
    if (g_app == this) {
        g_app = nullptr;
    }
}

CTorvanApp* CTorvanApp::Instance() {
    return g_app;
}

bool CTorvanApp::InitInstance(const QStringList& arguments, const std::string& profileRoot) {
    // The program has no options of its own; --help and --version answer
    // and end the process before anything is opened.
    QString fileToOpen;
    if (!arguments.isEmpty()) {
        QCommandLineParser parser;
        parser.setApplicationDescription(
            tr("Converts daily price text files into a MetaStock / CompuTrac database."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addPositionalArgument(QStringLiteral("file"), tr("A price file to open at start."));
        parser.process(arguments);
        if (!parser.positionalArguments().isEmpty()) {
            fileToOpen = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
        }
    }

    // A failed open leaves the store answering defaults; the program runs.
    bool created = false;
    if (m_profile.Open(profileRoot, kProfileBase, created) && created) {
        m_bProfileCreated = true;
        // The first start on this machine takes over an old settings file.
        m_profile.ImportIniFile();
    }

    m_recentFiles.Load(m_profile);

    m_document = std::make_unique<CTorvanDoc>();
    m_frame = std::make_unique<CMainFrame>(*this);
    m_document->SetView(m_frame->GetActiveView());
    m_frame->GetActiveView()->SetDocument(m_document.get());
    m_frame->UpdateRecentFileMenu(m_recentFiles.Entries());
    if (!m_document->OnNewDocument()) {
        return false;
    }
    m_frame->show();

    if (!fileToOpen.isEmpty()) {
        // The open sequence runs its modal Settings dialog over the window,
        // so it waits until the window is up and the event loop runs.
        QTimer::singleShot(0, m_frame.get(), [this, fileToOpen] {
            OpenDocumentFile(QDir::toNativeSeparators(fileToOpen));
        });
    }
    return true;
}

int CTorvanApp::ExitInstance() {
    m_recentFiles.Save(m_profile);
    return 0;
}

QString CTorvanApp::OpenFilter() {
    return tr("All Files (%1)").arg(QLatin1String(AllFilesPattern()));
}

void CTorvanApp::OnFileOpen() {
    const QString starter = QString::fromStdString(m_profile.GetString("FileSel", "Starter", ""));
    const int newbie2 = starter.isEmpty() ? m_profile.GetInt("Newbie", "Newbie2", 1) : 0;
    const OpenDialogStart start =
        SplitProposal(OpenProposal(starter, newbie2,
                                   SampleFolder(QDir::toNativeSeparators(QDir::currentPath()),
                                                QCoreApplication::applicationDirPath())));

    QFileDialog dialog(m_frame.get(), tr("Open"));
    dialog.setObjectName(QStringLiteral("openDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(OpenFilter());
    if (!start.directory.isEmpty()) {
        dialog.setDirectory(start.directory);
    }
    if (!start.fileName.isEmpty()) {
        dialog.selectFile(start.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = QDir::toNativeSeparators(dialog.selectedFiles().first());
    m_profile.WriteString("FileSel", "Starter", path.toStdString());
    OpenDocumentFile(path);
}

void CTorvanApp::OnOpenRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.Entries().size()) {
        return;
    }
    OpenDocumentFile(m_recentFiles.Entries().at(index));
}

void CTorvanApp::OnFileNew() {
    m_document->OnNewDocument();
}

void CTorvanApp::OnAppAbout() {
    CAboutDlg dialog(m_linkVisited, m_frame.get());
    dialog.exec();
}

bool CTorvanApp::OpenDocumentFile(const QString& path) {
    // The document never holds unsaved data, so it is replaced without asking.
    if (!m_document->OnOpenDocument(path)) {
        // A file that cannot be read leaves the list, as it cannot be
        // opened from there either.
        m_recentFiles.Remove(path);
        m_recentFiles.Save(m_profile);
        m_frame->UpdateRecentFileMenu(m_recentFiles.Entries());
        return false;
    }
    m_document->SetPathName(path);
    m_recentFiles.Add(path);
    m_recentFiles.Save(m_profile);
    m_frame->UpdateRecentFileMenu(m_recentFiles.Entries());
    return true;
}

std::optional<JobResult> CTorvanApp::RunSettingsCommand(const QString& inputPath) {
    if (!m_settingsCommand) {
        m_settingsSink = std::make_unique<QtMessageSink>(m_frame.get());
        m_settingsCommand = std::make_unique<CSettingsCommand>(m_profile, *m_settingsSink);
    }
    auto result =
        m_settingsCommand->OnSettings(m_frame.get(), QFile::encodeName(inputPath).toStdString());
    if (result && m_frame) {
        // The panel shows the folder written into, with the new security.
        const std::string& directory = result->databaseDirectory.empty()
                                           ? m_settingsCommand->LastConfirmed().pathOut
                                           : result->databaseDirectory;
        const QString outcome = result->Succeeded()
                                    ? QString::fromStdString(m_settingsCommand->LastOutcome())
                                    : TranslatedText(MessageId::kConversionFailed);
        m_frame->DatabasePanel()->ShowConversion(QFile::decodeName(directory.c_str()),
                                                 result->fileNumber,
                                                 m_settingsCommand->LastInXMaster(), outcome);
    }
    return result;
}

void CTorvanApp::WinHelp(int context) {
    if (m_frame) {
        m_frame->ShowHelp(context);
    }
}

}  // namespace torvan
