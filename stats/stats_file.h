// The statistics file: lifetime totals kept in an INI file between runs.
//
// Saves go to "c:\pwick.dat"; at start-up the copy saved last moves into the
// program's folder and is loaded from there. A save is staged beside the file, pushed
// to the disk and read back before it replaces the file; a save that cannot reach the
// root of drive C goes to the program's folder instead.
//
// Copies can drift apart: a run that could not read one of them, or two sessions of
// pellowick on one machine. So every saved copy says which saves it includes (the run
// that wrote each, its generation, its total and what that run had counted itself), and
// copies are never chosen by file times, which a clock set back would turn around. A
// copy that includes the other wins; two that both moved on from common saves are added
// up; copies with nothing in common keep the loser beside it as "pwick.dat.old". This
// module only works the files: what the user is told is the caller's business.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pw {

inline constexpr const char* kWriteLocation = "c:\\pwick.dat";
inline constexpr const char* kStatsSection = "Stats";

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
    // Copies kept beside themselves rather than loaded: "pwick.dat.bad" (no four plain
    // totals) and "pwick.dat.old" (nothing in common with the copy loaded).
    std::vector<std::string> setAside;
    // The other keys asked for, read from the same copy as the totals ("" when absent).
    std::vector<IniEntry> extra;
};

struct SavedTotals {
    bool onDisk = false;  // on the disk and read back as written
    // What was written: the totals given, plus what another session added meanwhile.
    StoredTotals totals;
    std::vector<std::string> setAside;  // as in LoadedTotals
};

class StatsFile {
  public:
    explicit StatsFile(Platform& p);

    std::string ReadLocation() const;
    // Once per run, before any save. `alsoRead` names other keys (section and key) that
    // travel with the totals; they are read from the copy the totals come from.
    LoadedTotals Load(const std::vector<IniEntry>& alsoRead = {});
    // What another session added meanwhile is added to the totals, unless they were
    // `cleared`: then they are what the user asked for, whatever else is there.
    SavedTotals Save(const StoredTotals& totals, const std::vector<IniEntry>& extra = {},
                     bool cleared = false);

    // A save as copies record it: the run that wrote it, its generation, its total, and
    // the seconds that run had counted itself by then (-1: not recorded).
    struct Stamp {
        std::uint64_t generation = 0;
        double total = 0;  // seconds
        double own = -1;
    };
    using Lineage = std::map<std::string, Stamp>;  // by run: the latest save of it included

  private:
    struct Copy;
    // What a save does with a copy already where it goes: adds what that copy holds
    // that ours lack; replaces it, ours including it (a sum made at start-up); or
    // replaces it as the user's clear, which later sums must know of.
    enum class Over { Add, Replace, Clear };
    const Copy& Choose(Copy& inFolder, Copy& atC, LoadedTotals& out, std::optional<double>& merged);
    Copy Look(const std::string& path, const std::vector<IniEntry>& alsoRead, bool waitForLock);
    bool Includes(const Lineage& in, const std::string& writer, std::uint64_t generation) const;
    std::optional<double> CountedCommon(const Lineage& a, double totalA, const Lineage& b,
                                        double totalB) const;
    std::optional<double> LegacyCommon(const Lineage& a, const Lineage& b) const;
    std::optional<Stamp> CommonSave(const Lineage& a, const Lineage& b) const;
    std::optional<double> Beyond(const Lineage& x, const Lineage& y) const;
    bool ReplaceWithCopy(const std::string& from, const std::string& to);
    bool SetAside(const std::string& path, std::vector<std::string>& setAside);
    std::optional<double> Combine(const Copy& other, double ours, std::vector<std::string>& setAside);
    bool SaveTo(const std::string& path, const StoredTotals& totals, const std::vector<IniEntry>& extra,
                Over over, SavedTotals& out);
    bool Write(const std::string& path, bool missing,
               const std::vector<std::pair<std::string, std::string>>& keys,
               const std::vector<IniEntry>& extra);
    bool WriteKeys(const std::string& path, const std::vector<std::pair<std::string, std::string>>& keys,
                   const std::vector<IniEntry>& extra, bool inPlace);
    bool ReadsBack(const std::string& path, const std::vector<std::pair<std::string, std::string>>& keys,
                   const std::vector<IniEntry>& extra);
    std::string Staged(const std::string& path);

    Platform& p_;
    std::string run_;                    // this run, as its saves name it
    std::uint64_t generation_ = 0;       // the highest one read or written
    std::set<std::string> untouchable_;  // unreadable at load: left alone this run
    Lineage known_;                      // the saves our totals include
    // The save our totals were last the same as (loaded, merged or written); what we
    // counted since is ours alone.
    std::string lastWriter_ = "-";
    std::uint64_t lastGeneration_ = 0;
    double lastTotal_ = 0;
    double own_ = 0;  // seconds this run counted itself, as its last save recorded
    // What the saves in known_ add up to, as loaded (or summed) or last saved: what the
    // totals given hold beyond it, this run counted.
    double countedFrom_ = 0;
};

}  // namespace pw
