#include "stats/options.h"

#include <algorithm>

#include "stats/stats_file.h"

namespace pw {
namespace {

constexpr const char* kSection = "Options";
constexpr const char* kAutoIdle = "AutoIdle";

}  // namespace

int ParseAutoIdle(const std::string& value) {
    if (value.empty() || value.size() > 4 ||
        !std::all_of(value.begin(), value.end(), [](unsigned char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const int minutes = std::stoi(value);
    return minutes <= kMaxAutoIdleMinutes ? minutes : 0;
}

Options ReadOptions(Platform& p, const std::string& file) {
    Options o;
    o.autoIdleMinutes = ParseAutoIdle(ReadIniValue(p, kSection, kAutoIdle, file));
    return o;
}

bool WriteOptions(Platform& p, const Options& options, const std::string& file) {
    if (options.autoIdleMinutes == 0 && ReadIniValue(p, kSection, kAutoIdle, file).empty()) return true;
    return p.WriteProfileValue(kSection, kAutoIdle, std::to_string(options.autoIdleMinutes), file);
}

}  // namespace pw
