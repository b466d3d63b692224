// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BackgroundTask.h"

#include <atomic>
#include <system_error>
#include <utility>

namespace torvan {
namespace {

std::atomic<int> g_threadsRefused{0};

}  // namespace

BackgroundTask::NoThreadsScope::NoThreadsScope() {
    ++g_threadsRefused;
}

BackgroundTask::NoThreadsScope::~NoThreadsScope() {
    --g_threadsRefused;
}

BackgroundTask::~BackgroundTask() {
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
}

void BackgroundTask::Start(std::function<void()> job) {
    if (!m_thread.joinable() && !m_noThread) {
        try {
            if (g_threadsRefused > 0) {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            m_noThread = true;
        }
    }
    if (m_noThread) {
        job();
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        m_pending = true;
    }
    m_changed.notify_all();
}

void BackgroundTask::Wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pending; });
}

void BackgroundTask::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return (m_pending && m_job) || m_stop; });
        if (m_stop && !(m_pending && m_job)) {
            return;
        }
        std::function<void()> job = std::move(m_job);
        m_job = nullptr;
        lock.unlock();
        job();
        lock.lock();
        m_pending = false;
        m_changed.notify_all();
    }
}

}  // namespace torvan
