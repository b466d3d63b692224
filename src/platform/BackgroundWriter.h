#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"

namespace torvan {

// Appends blocks to an open file on a thread of its own, and lets the disk
// start on each one, so that copying a large output into the system and
// sending it to disk overlap the work that makes the next block. At most
// two blocks wait at a time, so memory stays flat whatever the file's size.
//
// While a writer is active its file belongs to it: the caller touches the
// file again only after Finish. With a fault hook installed the blocks are
// written at once on the caller's thread, so that faults fall on the same
// operations in every run.
class BackgroundWriter {
  public:
    explicit BackgroundWriter(File& file);
    // Waits for the blocks still queued.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Queues block for writing and hands back an empty block to fill next
    // (one written before, when there is one, to save allocations). False
    // once a write has failed; the blocks after it are not written.
    bool Write(std::string& block);
    // Waits until every queued block is written; true when all were.
    bool Finish();

  private:
    void Run();

    File& m_file;
    bool m_background = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_queue;
    std::vector<std::string> m_spare;
    bool m_stop = false;
    bool m_failed = false;
    std::thread m_thread;
};

}  // namespace torvan
