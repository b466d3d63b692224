// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace torvan {

// What File > Open proposes: the folder of the file chosen last time
// (profile "FileSel"/"Starter") with "*.*", or on a first run the sample
// "ibm.txt" in the current directory, or "*.*" alone. Paths use the
// platform's separators.
QString OpenProposal(const QString& starter, int newbie2, const QString& currentDir);

// The folder whose "ibm.txt" a first run proposes: the current directory
// when it holds one, else the sample installed beside the program
// (<prefix>/share/torvan/samples for a program in <prefix>/bin) when that
// exists; started from a desktop menu, the current directory is the home
// folder, which has none.
QString SampleFolder(const QString& currentDir, const QString& programDir);

// A proposal split for the file dialog: the folder to start in (empty for
// the dialog's default) and the name to put in its file-name field (empty
// for "*.*", which only restates the filter).
struct OpenDialogStart {
    QString directory;
    QString fileName;
};
OpenDialogStart SplitProposal(const QString& proposal);

}  // namespace torvan
