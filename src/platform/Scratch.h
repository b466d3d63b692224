// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>

namespace torvan {

// A large block of memory for scratch use (a stream buffer, a block of
// text read or of records to write), not zero-filled. Released, it is kept
// by its thread for the next block of the same size: a batch converts
// hundreds of files one after another, and a fresh block per file is
// memory the system must map, fault in and zero again each time.
class ScratchBlock {
  public:
    ScratchBlock() = default;
    explicit ScratchBlock(std::size_t size);
    ~ScratchBlock() { reset(); }
    ScratchBlock(ScratchBlock&& other) noexcept;
    ScratchBlock& operator=(ScratchBlock&& other) noexcept;
    ScratchBlock(const ScratchBlock&) = delete;
    ScratchBlock& operator=(const ScratchBlock&) = delete;

    char* get() const { return m_block.get(); }
    char& operator[](std::size_t i) const { return m_block[i]; }
    std::size_t size() const { return m_size; }
    explicit operator bool() const { return m_block != nullptr; }
    // Gives the block back to the thread's cache (or frees it when the
    // cache is full); the object holds none after.
    void reset();
    // Frees the blocks this thread keeps, as when a long run is over.
    static void ReleaseCached();

  private:
    std::unique_ptr<char[]> m_block;
    std::size_t m_size = 0;
};

}  // namespace torvan
