// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "platform/Message.h"

namespace torvan::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the work itself failed
inline constexpr int kExitUsage = 2;   // the command line was wrong

inline constexpr const char* kProgramName = "torvan-cli";

// Prints "torvan-cli: <text>" on standard error, the text on one line.
void Report(const std::string& text);

// Runs work and returns its exit status; an exception it throws (memory
// running out, above all) is reported and ends it with kExitFailed, never
// silently.
int RunReported(const std::function<int()>& work);

// A job's messages, each reported on one line and answered with its default
// button, as nobody is there to press another.
class ReportingSink : public IMessageSink {
  public:
    int Show(const Message& message) override;
};

}  // namespace torvan::cli
