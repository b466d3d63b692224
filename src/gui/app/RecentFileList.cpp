// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/RecentFileList.h"

#include <QDir>
#include <QFileInfo>

#include "platform/FileSystem.h"
#include "settings/ProfileStore.h"

namespace torvan {
namespace {

constexpr const char* kSection = "Recent File List";
// Longer paths are shortened in the menu, keeping the file name whole.
constexpr qsizetype kMaxMenuPath = 60;

std::string EntryName(int index) {
    return "File" + std::to_string(index + 1);
}

bool SameFile(const QString& a, const QString& b) {
    return a.compare(b, FileNamesIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

}  // namespace

void CRecentFileList::Load(const CProfileStore& store) {
    m_entries.clear();
    for (int i = 0; i < kSize; ++i) {
        const QString path = QString::fromStdString(store.GetString(kSection, EntryName(i), ""));
        if (!path.isEmpty()) {
            bool known = false;
            for (const QString& entry : m_entries) {
                known = known || SameFile(entry, path);
            }
            if (!known) {
                m_entries.append(path);
            }
        }
    }
}

void CRecentFileList::Save(CProfileStore& store) const {
    CProfileBatch batch(store);
    for (int i = 0; i < kSize; ++i) {
        batch.WriteString(kSection, EntryName(i),
                          i < m_entries.size() ? m_entries[i].toStdString() : std::string());
    }
    batch.Commit();
}

void CRecentFileList::Add(const QString& path) {
    Remove(path);
    m_entries.prepend(path);
    while (m_entries.size() > kSize) {
        m_entries.removeLast();
    }
}

void CRecentFileList::Remove(const QString& path) {
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        if (SameFile(m_entries[i], path)) {
            m_entries.removeAt(i);
        }
    }
}

QString CRecentFileList::MenuText(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    if (shown.size() > kMaxMenuPath) {
        const QString name = QFileInfo(path).fileName();
        const qsizetype keep = std::max<qsizetype>(kMaxMenuPath - name.size() - 4, 3);
        shown = shown.left(keep) + QStringLiteral("...") + QDir::separator() + name;
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

}  // namespace torvan
