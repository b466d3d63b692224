// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "platform/FileSystem.h"

namespace torvan {

// Appends blocks to an open file and lets the disk start on each one, so
// that the final Flush(true) of a large file finds little left to write.
// Once a write has failed, the blocks after it are not written. (The blocks
// are written on the caller's thread: a writer thread of its own made the
// conversion slower, not faster, when measured.)
class BlockWriter {
  public:
    explicit BlockWriter(File& file) : m_file(file) {}

    // False once a write has failed.
    bool Write(std::string_view block) {
        m_failed = m_failed || !(block.empty() ||
                                 (m_file.Write(block.data(), block.size()) && m_file.StartSync()));
        return !m_failed;
    }
    // True when every block was written.
    bool Finish() const { return !m_failed; }

  private:
    File& m_file;
    bool m_failed = false;
};

}  // namespace torvan
