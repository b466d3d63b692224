#include "platform/BackgroundWriter.h"

#include <system_error>
#include <utility>

namespace torvan {
namespace {

constexpr std::size_t kMaxQueued = 2;

bool WriteBlock(File& file, const std::string& block) {
    return block.empty() || (file.Write(block.data(), block.size()) && file.StartSync());
}

}  // namespace

BackgroundWriter::BackgroundWriter(File& file) : m_file(file) {
    if (FaultHookInstalled()) {
        return;
    }
    try {
        m_thread = std::thread([this] { Run(); });
        m_background = true;
    } catch (const std::system_error&) {
        // No thread to be had: the blocks are written on the caller's.
    }
}

BackgroundWriter::~BackgroundWriter() {
    Finish();
}

bool BackgroundWriter::Write(std::string& block) {
    if (!m_background) {
        m_failed = m_failed || !WriteBlock(m_file, block);
        block.clear();
        return !m_failed;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < kMaxQueued || m_failed; });
    if (m_failed) {
        block.clear();
        return false;
    }
    m_queue.push_back(std::move(block));
    block = std::string();
    if (!m_spare.empty()) {
        block = std::move(m_spare.back());
        m_spare.pop_back();
    }
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool BackgroundWriter::Finish() {
    if (!m_background) {
        return !m_failed;
    }
    {
        std::unique_lock lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_background = false;  // any later block is written at once
    return !m_failed;
}

void BackgroundWriter::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_stop; });
        if (m_queue.empty()) {
            return;  // stopped, and nothing left
        }
        std::string block = std::move(m_queue.front());
        m_queue.pop_front();
        const bool skip = m_failed;
        lock.unlock();
        const bool ok = skip || WriteBlock(m_file, block);
        block.clear();
        lock.lock();
        m_failed = m_failed || !ok;
        m_spare.push_back(std::move(block));
        m_changed.notify_all();
    }
}

}  // namespace torvan
