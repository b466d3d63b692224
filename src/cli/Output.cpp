// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Output.h"

#include <iostream>

namespace torvan::cli {

void Report(const std::string& text) {
    std::cerr << kProgramName << ": " << OneLine(text) << '\n';
}

int ReportingSink::Show(const Message& message) {
    Report(message.text);
    return DefaultAnswer(message.type);
}

}  // namespace torvan::cli
