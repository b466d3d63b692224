// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace torvan {

class CProfileStore;

// The files opened last, most recent first, kept in profile section
// "Recent File List", entries "File1" to "File4".
class CRecentFileList {
  public:
    static constexpr int kSize = 4;

    void Load(const CProfileStore& store);
    void Save(CProfileStore& store) const;

    // Puts path first, dropping an older entry for the same file and the
    // oldest entry beyond the fourth.
    void Add(const QString& path);
    void Remove(const QString& path);

    const QStringList& Entries() const { return m_entries; }

    // The menu text of entry index (0-based): "&1 " and the path, shortened
    // in the middle when it is long, with '&' doubled so it shows as itself.
    static QString MenuText(int index, const QString& path);

  private:
    QStringList m_entries;
};

}  // namespace torvan
