// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Convert.h"

namespace torvan::cli {

// The options of "update": those of "convert" (the reading options, and
// the name and index options for a security that is new), and what to do
// with days the security already holds.
struct UpdateRequest {
    ConvertRequest convert;
    bool replace = false;     // differing days take the file's values
    bool replaceAll = false;  // the whole history becomes the file's
};

// Runs "update"; returns the exit status.
int RunUpdate(const UpdateRequest& request);

}  // namespace torvan::cli
