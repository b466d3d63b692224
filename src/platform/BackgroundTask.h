// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace torvan {

// One job at a time on a thread of its own, started when the first job
// comes: the caller hands a job over, does its own share of the work, and
// waits for the job before it uses what the job made. Without a thread to
// be had, Start runs the job at once.
//
// Memory order: everything the caller wrote before Start happens-before the
// job runs, and everything the job wrote happens-before Wait returns (both
// pass through the task's mutex). So once Wait has returned, the caller may
// read and change what the job touched without a lock of its own; between
// Start and Wait neither side may touch what the other writes.
class BackgroundTask {
  public:
    BackgroundTask() = default;
    // Waits for a job still running.
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Starts job; the one before must have been waited for.
    void Start(std::function<void()> job);
    // Returns once the job started last has finished; its writes are then
    // visible to the caller.
    void Wait();

    // While one is alive, tasks start no thread, as when the system has
    // none to give: Start runs each job at once. For tests of that path.
    class NoThreadsScope {
      public:
        NoThreadsScope();
        ~NoThreadsScope();
        NoThreadsScope(const NoThreadsScope&) = delete;
        NoThreadsScope& operator=(const NoThreadsScope&) = delete;
    };

  private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    bool m_pending = false;  // a job was handed over and has not finished
    bool m_stop = false;
    bool m_noThread = false;
    std::thread m_thread;
};

}  // namespace torvan
