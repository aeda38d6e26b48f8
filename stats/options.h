// Options kept in the statistics file beside the totals, in a section of their own.
// They travel with the totals: read from the copy the totals are loaded from and
// written along with every save of them, so a file without totals never carries them.
#pragma once

#include <string>
#include <vector>

#include "stats/stats_file.h"

namespace pw {

struct Options {
    // Whole minutes without input after which an idle period starts by itself; 0 is off.
    int autoIdleMinutes = 0;
    // The file holds the choice (or the user made one): saves write it from now on.
    bool stored = false;
};

// Longest wait that can be chosen: a day.
inline constexpr int kMaxAutoIdleMinutes = 24 * 60;

// A stored AutoIdle value as minutes: anything but a plain whole number from 0 to a
// day means off.
int ParseAutoIdle(const std::string& value);
// The keys to ask for when the totals are loaded, and the options they gave.
std::vector<IniEntry> OptionKeys();
Options OptionsFrom(const std::vector<IniEntry>& loaded);
// What a save of the totals writes along: nothing while no choice was ever made, so
// the file of someone who never chose anything keeps just its totals.
std::vector<IniEntry> OptionEntries(const Options& options);

}  // namespace pw
