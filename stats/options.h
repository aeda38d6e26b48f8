// Options kept in the statistics file beside the totals, in a section of their own.
// They travel with the totals: read from the file the totals were loaded from and
// written into every save of them, so a file without totals never carries them alone.
#pragma once

#include <string>

#include "platform/platform.h"

namespace pw {

struct Options {
    // Whole minutes without input after which an idle period starts by itself; 0 is off.
    int autoIdleMinutes = 0;
};

// Longest wait that can be chosen: a day.
inline constexpr int kMaxAutoIdleMinutes = 24 * 60;

// A stored AutoIdle value as minutes: anything but a plain whole number from 0 to a
// day means off.
int ParseAutoIdle(const std::string& value);
Options ReadOptions(Platform& p, const std::string& file);
// A value left at its default is written only where the file already holds the key,
// so the file of someone who never chose anything keeps just its totals.
bool WriteOptions(Platform& p, const Options& options, const std::string& file);

}  // namespace pw
