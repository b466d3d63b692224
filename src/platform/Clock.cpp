// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Clock.h"

#include <ctime>
#include <utility>

#include "platform/SystemFiles.h"

namespace torvan {
namespace {

TodaySource& Source() {
    static TodaySource source;
    return source;
}

LocalDate SystemToday() {
    const std::tm local = sys::LocalTime(std::time(nullptr));
    return LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace

LocalDate Today() {
    const TodaySource& source = Source();
    return source ? source() : SystemToday();
}

TodaySourceScope::TodaySourceScope(TodaySource source)
    : m_previous(std::exchange(Source(), std::move(source))) {}

TodaySourceScope::~TodaySourceScope() {
    Source() = std::move(m_previous);
}

}  // namespace torvan
