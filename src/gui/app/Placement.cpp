// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/Placement.h"

#include <algorithm>

#include "settings/ProfileStore.h"

namespace torvan {
namespace {
constexpr const char* kSection = "Screen";
}  // namespace

Placement StartPlacement(const Placement& stored, int workWidth, int workHeight) {
    const Placement& s = stored;
    if (s.cx > 0 && s.cy > 0 && s.x >= 0 && s.y >= 0 && s.cx <= workWidth && s.cy <= workHeight &&
        s.x <= workWidth && s.y <= workHeight) {
        return s;
    }
    Placement p;
    const float width = static_cast<float>(workWidth) * kDefaultShare;
    const float height = static_cast<float>(workHeight) * kDefaultShare;
    p.cx = static_cast<int>(width);
    p.cy = static_cast<int>(height);
    p.x = (workWidth - p.cx) / 2;
    p.y = (workHeight - p.cy) / 2;
    return p;
}

Placement ClampPlacement(const Placement& reported, int workWidth, int workHeight) {
    Placement p = reported;
    p.x = std::max(p.x, 0);
    p.y = std::max(p.y, 0);
    p.cx = std::min(p.cx, workWidth);
    p.cy = std::min(p.cy, workHeight);
    return p;
}

Placement ReadPlacement(const CProfileStore& store) {
    Placement p;
    p.x = store.GetInt(kSection, "x", 0);
    p.y = store.GetInt(kSection, "y", 0);
    p.cx = store.GetInt(kSection, "cx", 0);
    p.cy = store.GetInt(kSection, "cy", 0);
    return p;
}

void WritePlacement(CProfileStore& store, const Placement& placement) {
    // A failed write only loses the placement; nothing to tell the user.
    CProfileBatch batch(store);
    batch.WriteInt(kSection, "x", placement.x);
    batch.WriteInt(kSection, "y", placement.y);
    batch.WriteInt(kSection, "cx", placement.cx);
    batch.WriteInt(kSection, "cy", placement.cy);
    batch.Commit();
}

}  // namespace torvan
