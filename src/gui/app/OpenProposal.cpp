// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/OpenProposal.h"

#include <QDir>
#include <QFileInfo>

#include "platform/FileSystem.h"

namespace torvan {
namespace {

const QString kAllFiles = QStringLiteral("*.*");

bool IsSeparator(QChar c) {
    return c.unicode() < 128 && IsPathSeparator(static_cast<char>(c.unicode()));
}

QChar Separator() {
    return QLatin1Char(PathSeparator());
}

qsizetype FirstSeparator(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (IsSeparator(path[i])) {
            return i;
        }
    }
    return -1;
}

qsizetype LastSeparator(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsSeparator(path[i])) {
            return i;
        }
    }
    return -1;
}

}  // namespace

QString OpenProposal(const QString& starter, int newbie2, const QString& currentDir) {
    QString p = starter;
    if (!p.isEmpty()) {
        const qsizetype last = LastSeparator(p);
        if (last < 0) {
            // A bare name says nothing about a folder.
            return kAllFiles;
        }
        // Keep the folder. A file in the root keeps the root's own
        // separator, so the proposal is the root folder and not the file.
        p.truncate(last == FirstSeparator(p) ? last + 1 : last);
        if (!IsSeparator(p.back())) {
            p += Separator();
        }
        return p + kAllFiles;
    }
    if (newbie2 != 0 && !currentDir.isEmpty()) {
        p = currentDir;
        if (!IsSeparator(p.back())) {
            p += Separator();
        }
        return p + QStringLiteral("ibm.txt");
    }
    return kAllFiles;
}

QString SampleFolder(const QString& currentDir, const QString& programDir) {
    const QString sample = QStringLiteral("ibm.txt");
    if (QFileInfo(QDir(currentDir).filePath(sample)).isFile()) {
        return currentDir;
    }
    const QString installed =
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/torvan/samples")));
    if (QFileInfo(QDir(installed).filePath(sample)).isFile()) {
        return QDir::toNativeSeparators(installed);
    }
    return currentDir;
}

OpenDialogStart SplitProposal(const QString& proposal) {
    OpenDialogStart start;
    const qsizetype last = LastSeparator(proposal);
    start.fileName = proposal.mid(last + 1);
    if (last >= 0) {
        start.directory =
            proposal.left(last == 0 || last == FirstSeparator(proposal) ? last + 1 : last);
    }
    if (start.fileName == kAllFiles) {
        start.fileName.clear();
    }
    return start;
}

}  // namespace torvan
