// SPDX-License-Identifier: GPL-3.0-or-later
// torvan-profile-bench DIR [RUNS]: the cost of saving the Conversion
// Settings into a profile store below DIR, as ImportSettings::SaveConfirmed
// does on the dialog's OK, beside writing the same entries one WriteString
// at a time. Prints the median time of each and how often each replaces
// the profile file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "settings/ImportSettings.h"
#include "settings/ProfileStore.h"

namespace {

using namespace torvan;

double MedianMs(int runs, const std::function<void()>& save) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        save();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Replacements of the profile file in one save, counted through the
// fault hook (which fails nothing).
int Replacements(const std::string& storeFile, const std::function<void()>& save) {
    int count = 0;
    FaultHookScope hook([&](FileOp op, const std::string& path) {
        count += op == FileOp::Rename && path == storeFile ? 1 : 0;
        return false;
    });
    save();
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: torvan-profile-bench DIR [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    CProfileStore store;
    bool created = false;
    if (!store.Open(argv[1], "Software\\Quennel\\Torvan", created)) {
        std::fprintf(stderr, "torvan-profile-bench: cannot open a store below %s\n", argv[1]);
        return 1;
    }
    ImportSettings settings;
    settings.pathOut = "/data/prices";
    settings.symbol = "ORCL";
    CProfileBatch collected(store);
    collected.WriteInt("Newbie", "Newbie2", 0);
    settings.Save(collected);
    const std::vector<ProfileEntry> entries = collected.Entries();

    const auto batched = [&] { settings.SaveConfirmed(store); };
    const auto oneByOne = [&] {
        for (const ProfileEntry& item : entries) {
            store.WriteString(item.section, item.entry, item.value);
        }
    };
    batched();  // the file holds every entry before timing starts
    std::printf("%-28s %10s %14s\n", "", "median ms", "replacements");
    std::printf("%-28s %10.3f %14d\n", "SaveConfirmed (one batch)", MedianMs(runs, batched),
                Replacements(store.FilePath(), batched));
    std::printf("%-28s %10.3f %14d\n", "one WriteString per entry", MedianMs(runs, oneByOne),
                Replacements(store.FilePath(), oneByOne));
    return 0;
}
