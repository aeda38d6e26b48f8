// The statistics file: lifetime totals kept in an INI file between runs.
//
// Saves go to "c:\pwick.dat"; at start-up the copy saved last moves into the
// program's folder and is loaded from there. Which copy was saved last is told by
// the save generation each save writes, never by file times, which a clock set back
// would turn around. A save is staged beside the file, pushed to the disk and read
// back before it replaces the file; a save that cannot reach c:\ goes to the
// program's folder instead. This module only works the files: what the user is told
// is the caller's business.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pw {

inline constexpr const char* kWriteLocation = "c:\\pwick.dat";
inline constexpr const char* kStatsSection = "Stats";
// Written after the four totals; a file without it counts as generation 0.
inline constexpr const char* kGenerationKey = "Generation";

bool FileExists(Platform& p, const std::string& path);
std::string ReadIniValue(Platform& p, const std::string& section, const std::string& key,
                         const std::string& file);
// A stored total as it may be shown: plain decimal digits, at most 9 of them.
bool IsPlainTotal(const std::string& value);

// The four lifetime totals as stored, each as its label shows it.
struct StoredTotals {
    std::string seconds = "00", minutes = "00", hours = "00", days = "00";
    bool operator==(const StoredTotals&) const = default;
};

// One more key to write along with the totals, in any section of the same file.
struct IniEntry {
    std::string section, key, value;
};

struct LoadedTotals {
    StoredTotals totals;  // "00" for a value that is missing or no plain total
    // Statistics files that are there but could not be read: nothing overwrites them
    // in this run.
    std::vector<std::string> unreadable;
    // Copies that held no four plain totals and lost to one that did, kept beside
    // themselves as "pwick.dat.bad".
    std::vector<std::string> setAside;
    // The other keys asked for, read from the same copy as the totals ("" when absent).
    std::vector<IniEntry> extra;
};

class StatsFile {
  public:
    explicit StatsFile(Platform& p);

    std::string ReadLocation() const;
    // Once per run, before any save. `alsoRead` names other keys (section and key) that
    // travel with the totals; they are read from the copy the totals come from.
    LoadedTotals Load(const std::vector<IniEntry>& alsoRead = {});
    // True when the totals (and `extra`) are on the disk and read back as written.
    bool Save(const StoredTotals& totals, const std::vector<IniEntry>& extra = {});

  private:
    struct Copy;
    Copy Look(const std::string& path, const std::vector<IniEntry>& alsoRead);
    bool ReplaceWithCopy(const std::string& from, const std::string& to);
    bool SaveTo(const std::string& path, const StoredTotals& totals, const std::vector<IniEntry>& extra);
    bool WriteKeys(const std::string& path, const StoredTotals& totals, const std::vector<IniEntry>& extra);
    bool WriteInPlace(const std::string& path, const StoredTotals& totals,
                      const std::vector<IniEntry>& extra);
    bool ReadsBack(const std::string& path, const StoredTotals& totals, const std::vector<IniEntry>& extra);

    Platform& p_;
    std::uint64_t generation_ = 0;       // the highest one read or written
    std::set<std::string> untouchable_;  // unreadable at load: left alone this run
};

}  // namespace pw
