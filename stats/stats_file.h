// The statistics file: lifetime totals kept in an INI file between runs.
//
// Saves go to "c:\pwick.dat"; at start-up that file moves into the program's folder,
// where the totals are loaded from. Saves are all-or-nothing, and a save that cannot
// reach c:\ goes to the program's folder instead, so totals are never silently lost.
#pragma once

#include <string>

#include "idling/totals.h"
#include "platform/platform.h"
#include "stats/options.h"

namespace pw {

inline constexpr const char* kWriteLocation = "c:\\pwick.dat";

bool FileExists(Platform& p, const std::string& path);
std::string ReadIniValue(Platform& p, const std::string& section, const std::string& key, const std::string& file);
// A stored total as it may be shown: plain decimal digits, at most 9 of them.
bool IsPlainTotal(const std::string& value);

class StatsFile {
public:
    StatsFile(Platform& p, TotalLabels totals, Form& owner);

    std::string ReadLocation() const;
    void LoadTotals();
    void SaveTotals();
    // Kept in the same file: loaded with the totals, written into every save of them.
    Options& Opts() { return options_; }

private:
    bool ReplaceWithCopy(const std::string& from, const std::string& to);
    bool SaveTo(const std::string& path);
    bool WriteKeys(const std::string& path);

    Platform& p_;
    TotalLabels t_;
    Form& owner_;
    bool warned_ = false;
    Options options_;
};

}  // namespace pw
