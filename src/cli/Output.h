#pragma once

#include <string>

namespace torvan::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the work itself failed
inline constexpr int kExitUsage = 2;   // the command line was wrong

inline constexpr const char* kProgramName = "torvan-cli";

// Prints "torvan-cli: <text>" on standard error, the text on one line.
void Report(const std::string& text);

// The core's message-box texts are laid out for a dialog: lines joined by a
// space, a paragraph that ends without punctuation followed by ": ".
std::string OneLine(const std::string& text);

// Routes the core's messages to Report, answering each with its default
// button, as nobody is there to press another.
void InstallMessageHandler();

}  // namespace torvan::cli
