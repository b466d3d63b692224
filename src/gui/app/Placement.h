// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace torvan {

class CProfileStore;

// The main window's top-left corner and size in pixels, as remembered in
// profile section "Screen" (entries "x", "y", "cx", "cy").
struct Placement {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    bool operator==(const Placement&) const = default;
};

// Share of the work area a new window takes, in single precision so that the
// truncated sizes are the same on every platform (0.85f * 2000 is 1700, the
// double product would truncate to 1699).
inline constexpr float kDefaultShare = 0.85f;

// The placement to start with: the stored one when it lies plausibly on a
// work area of workWidth x workHeight (positive size no larger than the area,
// corner inside it), otherwise 85 % of the area, centred.
Placement StartPlacement(const Placement& stored, int workWidth, int workHeight);

// What is stored for a window reported at `reported`: the corner is kept at
// or right of and below the origin, the size no larger than the work area.
Placement ClampPlacement(const Placement& reported, int workWidth, int workHeight);

Placement ReadPlacement(const CProfileStore& store);
void WritePlacement(CProfileStore& store, const Placement& placement);

}  // namespace torvan
