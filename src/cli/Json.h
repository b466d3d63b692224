// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace torvan::cli {

// "list", "check" and "inspect" with --json: the same information as their
// text, as one JSON document on standard output (its shape is in README.md).
// The exit status is that of the text form.
int RunListJson(const std::string& directory);
int RunCheckJson(const std::string& directory);
int RunInspectJson(const std::string& input, int rows);

}  // namespace torvan::cli
