// SPDX-License-Identifier: GPL-3.0-or-later
#include <utility>

#include "platform/FileSystem.h"

namespace torvan {
namespace {

thread_local const SyncDeferralScope* t_deferral = nullptr;

}  // namespace

SyncDeferralScope::SyncDeferralScope(std::function<bool(const std::string&)> defers)
    : m_defers(std::move(defers)), m_previous(t_deferral) {
    t_deferral = this;
}

SyncDeferralScope::~SyncDeferralScope() {
    t_deferral = m_previous;
}

bool SyncDeferred(const std::string& path) {
    return t_deferral != nullptr && t_deferral->m_defers && t_deferral->m_defers(path);
}

}  // namespace torvan
