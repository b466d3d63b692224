// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Output.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <new>

#include "platform/MessageCatalogue.h"

namespace torvan::cli {

void Report(const std::string& text) {
    std::cerr << kProgramName << ": " << OneLine(text) << '\n';
}

int RunReported(const std::function<int()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        // Told without allocating: memory is what ran out.
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", kProgramName,
                     CatalogueEntry(MessageId::kOutOfMemory).text);
    } catch (const std::exception& e) {
        std::cout.flush();
        Report(MessageText(MessageId::kUnexpectedFailure, {e.what()}));
    }
    return kExitFailed;
}

int ReportingSink::Show(const Message& message) {
    Report(message.text);
    return DefaultAnswer(message.type);
}

}  // namespace torvan::cli
