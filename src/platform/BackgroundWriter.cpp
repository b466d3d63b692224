#include "platform/BackgroundWriter.h"

#include <utility>

namespace torvan {
namespace {

bool WriteBlock(File& file, const std::string& block) {
    return block.empty() || (file.Write(block.data(), block.size()) && file.StartSync());
}

}  // namespace

BackgroundWriter::BackgroundWriter(File& file)
    : m_file(file), m_background(!FaultHookInstalled()) {}

BackgroundWriter::~BackgroundWriter() {
    Finish();
}

bool BackgroundWriter::Write(std::string& block) {
    m_task.Wait();  // the block before is written, or failed
    if (m_failed) {
        return false;
    }
    if (!m_background) {
        m_failed = !WriteBlock(m_file, block);
        return !m_failed;
    }
    std::swap(m_writing, block);
    m_task.Start([this] { m_failed = !WriteBlock(m_file, m_writing); });
    return true;
}

bool BackgroundWriter::Finish() {
    m_task.Wait();
    m_background = false;
    return !m_failed;
}

}  // namespace torvan
