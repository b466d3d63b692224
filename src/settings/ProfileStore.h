// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/ProfileWriter.h"

namespace torvan {

// The program's persistent settings: named sections of named text entries
// below a base key. Stored as one INI-style text file per base key in the
// user's configuration directory. Every call reads the file afresh and every
// write replaces it atomically, so that two running instances never leave a
// damaged file behind. All failures are silent: reads give the caller's
// default, writes return false.
class CProfileStore : public IProfileWriter {
  public:
    // A value longer than 259 characters (260 bytes with its terminator)
    // reads as absent.
    static constexpr std::size_t kMaxValueBytes = 260;
    // The first line of every store file, which tells it from a legacy file.
    static constexpr const char* kFirstLine = "; Torvan settings, values with backslash escapes";

    CProfileStore() = default;
    ~CProfileStore() override = default;

    // The folder in which base keys are stored: $XDG_CONFIG_HOME, or
    // ~/.config when that is not set.
    static std::string DefaultRoot();

    // Opens (creating if needed) the base key basePath ("Software\Quennel\Torvan")
    // below root (a folder; empty means DefaultRoot()). newlyCreated tells
    // whether the key did not exist before this call. A legacy settings file
    // lying under the store file's own name (it lacks the store's first line)
    // is imported in its place, kept as "<file>.imported", and counts as
    // newly created.
    bool Open(const std::string& root, const std::string& basePath, bool& newlyCreated);

    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& defaultValue) const;
    bool WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override;
    int GetInt(const std::string& section, const std::string& entry, int defaultValue) const;
    bool WriteInt(const std::string& section, const std::string& entry, int value);
    // Writes all the entries, in order, with one replacement of the file
    // under one lock, merged into the file as it is then: what another
    // instance wrote meanwhile stays. All or none of them are stored.
    bool WriteEntries(const std::vector<ProfileEntry>& entries) override;

    // Copies a legacy settings file into the store: each "[Section]" of the
    // file becomes a section, each "name=value" line below it an entry,
    // copied as text. Meant for the start at which Open created the store.
    // Silent: a missing or unreadable file imports nothing.
    void ImportIniFile();  // the file at LegacyIniPath()
    void ImportIniFile(const std::string& iniPath);
    // Where the legacy file is looked for: "<title>.INI" (Torvan.INI) in the
    // folder that holds the store file, its name in any case. Empty before
    // Open.
    std::string LegacyIniPath() const;

    // The file that holds the base key (empty before Open).
    const std::string& FilePath() const { return m_strFilePath; }

  private:
    std::string m_strBasePath;
    std::string m_strRoot;
    std::string m_strFilePath;
};

// Entries written one by one and stored together by Commit: settings saved
// at one time cost one replacement of the file instead of one each.
class CProfileBatch {
  public:
    explicit CProfileBatch(CProfileStore& store) : m_store(store) {}

    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value);
    void WriteInt(const std::string& section, const std::string& entry, int value);
    // Stores what was written since the last Commit; false when nothing of
    // it could be stored.
    bool Commit();
    // What Commit would store, in order.
    const std::vector<ProfileEntry>& Entries() const { return m_entries; }

  private:
    CProfileStore& m_store;
    std::vector<ProfileEntry> m_entries;
};

}  // namespace torvan
