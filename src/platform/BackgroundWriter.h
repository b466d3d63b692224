#pragma once

#include <string>

#include "platform/BackgroundTask.h"
#include "platform/FileSystem.h"

namespace torvan {

// Appends blocks to an open file on a thread of its own, and lets the disk
// start on each one, so that copying a large output into the system and
// sending it to disk overlap the work that makes the next block. One block
// is written while the caller fills the next, so memory stays flat whatever
// the file's size.
//
// While a writer is active its file belongs to it: the caller touches the
// file again only after Finish. With a fault hook installed the blocks are
// written at once on the caller's thread, so that faults fall on the same
// operations in every run.
class BackgroundWriter {
  public:
    explicit BackgroundWriter(File& file);
    // Waits for the block still being written.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Hands block over for writing and hands back a block to fill next: the
    // one written before, as it was (so that neither its memory nor its size
    // need to be made again), or an empty one. False once a write has
    // failed; the blocks after it are not written.
    bool Write(std::string& block);
    // Waits until every block is written; true when all were. Blocks given
    // after it are written at once.
    bool Finish();

  private:
    File& m_file;
    bool m_background;
    std::string m_writing;  // the block the task writes
    bool m_failed = false;  // set by the task, read once it is waited for
    BackgroundTask m_task;
};

}  // namespace torvan
