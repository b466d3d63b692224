// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Scratch.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace torvan {
namespace {

// Enough for the blocks one conversion holds at once (its input's and its
// data file's stream buffers, its text block and its record block), with
// room to spare; more would only hold memory no job asks for.
constexpr std::size_t kCachedBlocks = 8;

struct Cached {
    std::size_t size;
    std::unique_ptr<char[]> block;
};

// Set once the thread's cache is gone: a block released later (by an
// object of static storage, at exit) is simply freed.
thread_local bool t_cacheGone = false;

struct Cache {
    std::vector<Cached> blocks;
    ~Cache() { t_cacheGone = true; }
};

// Null once the thread's cache is gone.
std::vector<Cached>* Blocks() {
    if (t_cacheGone) {
        return nullptr;
    }
    thread_local Cache cache;
    return &cache.blocks;
}

}  // namespace

ScratchBlock::ScratchBlock(std::size_t size) : m_size(size) {
    if (std::vector<Cached>* cache = Blocks()) {
        const auto found = std::find_if(cache->rbegin(), cache->rend(),
                                        [size](const Cached& c) { return c.size == size; });
        if (found != cache->rend()) {
            m_block = std::move(found->block);
            cache->erase(std::next(found).base());
            return;
        }
    }
    m_block = std::make_unique_for_overwrite<char[]>(size);
}

ScratchBlock::ScratchBlock(ScratchBlock&& other) noexcept
    : m_block(std::move(other.m_block)), m_size(std::exchange(other.m_size, 0)) {}

ScratchBlock& ScratchBlock::operator=(ScratchBlock&& other) noexcept {
    if (this != &other) {
        reset();
        m_block = std::move(other.m_block);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

void ScratchBlock::reset() {
    if (!m_block) {
        return;
    }
    std::vector<Cached>* cache = Blocks();
    if (cache != nullptr && cache->size() < kCachedBlocks) {
        cache->push_back({m_size, std::move(m_block)});
    }
    m_block.reset();
    m_size = 0;
}

void ScratchBlock::ReleaseCached() {
    if (std::vector<Cached>* cache = Blocks()) {
        cache->clear();
    }
}

}  // namespace torvan
