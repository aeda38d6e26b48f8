#include "stats/options.h"

#include <algorithm>

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

std::vector<IniEntry> OptionKeys() {
    return {{kSection, kAutoIdle, ""}};
}

Options OptionsFrom(const std::vector<IniEntry>& loaded) {
    Options o;
    for (const IniEntry& e : loaded) {
        if (e.section != kSection || e.key != kAutoIdle || e.value.empty()) continue;
        o.autoIdleMinutes = ParseAutoIdle(e.value);
        o.stored = true;
    }
    return o;
}

std::vector<IniEntry> OptionEntries(const Options& options) {
    if (!options.stored && options.autoIdleMinutes == 0) return {};
    return {{kSection, kAutoIdle, std::to_string(options.autoIdleMinutes)}};
}

}  // namespace pw
