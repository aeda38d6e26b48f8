#include "hostsim/options.h"

#include <charconv>
#include <string_view>

namespace hostsim {
namespace {

constexpr unsigned kMaxMs = 0x7FFFFFFF;  // the longest timer Windows accepts
constexpr unsigned kMaxWindows = 50;     // rooms or documents: enough to crowd the MDI area
constexpr unsigned kMaxAttempt = 1000000;

// The value as a decimal count no larger than max, or nothing.
std::optional<unsigned> ParseCount(std::string_view text, unsigned max) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value > max) return std::nullopt;
    return value;
}

// Each setter stores its value and returns "" or what is wrong with the value.
using Setter = std::string (*)(Options&, const std::string&);

std::string SetCount(unsigned& field, const std::string& value, unsigned max) {
    const auto count = ParseCount(value, max);
    if (!count) return "expected a whole number from 0 to " + std::to_string(max);
    field = *count;
    return {};
}

std::string SetMs(std::optional<unsigned>& field, const std::string& value) {
    unsigned ms = 0;
    std::string error = SetCount(ms, value, kMaxMs);
    if (error.empty()) field = ms;
    return error;
}

std::string AddTypeAt(Options& o, const std::string& value) {
    const auto colon = value.find(':');
    const auto ms = colon == std::string::npos ? std::nullopt : ParseCount(value.substr(0, colon), kMaxMs);
    if (!ms) return "expected MS:TEXT";
    o.type_at.push_back({*ms, value.substr(colon + 1)});
    return {};
}

struct OptionSpec {
    std::string_view name;
    bool takes_value;
    Setter set;
};

constexpr OptionSpec kOptions[] = {
    {"--log", true,
     [](Options& o, const std::string& v) {
         o.log_path = v;
         return std::string();
     }},
    {"--ready", true,
     [](Options& o, const std::string& v) {
         o.ready_path = v;
         return std::string();
     }},
    {"--user", true,
     [](Options& o, const std::string& v) {
         o.user = v;
         return std::string();
     }},
    {"--signed-out", false,
     [](Options& o, const std::string&) {
         o.signed_on = false;
         return std::string();
     }},
    {"--welcome-caption", true,
     [](Options& o, const std::string& v) {
         o.welcome_caption = v;
         return std::string();
     }},
    {"--no-room", false,
     [](Options& o, const std::string&) {
         o.rooms = 0;
         return std::string();
     }},
    {"--rooms", true, [](Options& o, const std::string& v) { return SetCount(o.rooms, v, kMaxWindows); }},
    {"--room-on-attempt", true,
     [](Options& o, const std::string& v) { return SetCount(o.room_on_attempt, v, kMaxAttempt); }},
    {"--extra-docs", true,
     [](Options& o, const std::string& v) { return SetCount(o.extra_docs, v, kMaxWindows); }},
    {"--close-room-after", true,
     [](Options& o, const std::string& v) { return SetMs(o.close_room_after_ms, v); }},
    {"--exit-after", true, [](Options& o, const std::string& v) { return SetMs(o.exit_after_ms, v); }},
    {"--type-at", true, AddTypeAt},
    {"--hang-after", true, [](Options& o, const std::string& v) { return SetMs(o.hang_after_ms, v); }},
    {"--hang-for", true, [](Options& o, const std::string& v) { return SetMs(o.hang_for_ms, v); }},
    {"--stall-file", true,
     [](Options& o, const std::string& v) {
         o.stall_file = v;
         return std::string();
     }},
    {"--title", true,
     [](Options& o, const std::string& v) {
         o.title = v;
         return std::string();
     }},
};

const OptionSpec* FindOption(std::string_view name) {
    for (const OptionSpec& option : kOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

ParseResult Refuse(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        const OptionSpec* option = FindOption(name);
        if (!option) return Refuse("unknown option: " + name);
        std::string value;
        if (option->takes_value) {
            if (i + 1 >= args.size()) return Refuse(name + " needs a value");
            value = args[++i];
        }
        if (std::string error = option->set(options, value); !error.empty()) {
            return Refuse(name + " " + value + ": " + error);
        }
    }
    return {std::move(options), {}};
}

const char* UsageText() {
    return "usage: hostsim [--log FILE] [--ready FILE] [--user NAME] [--signed-out]\n"
           "               [--welcome-caption TEXT] [--no-room] [--rooms N] [--room-on-attempt K]\n"
           "               [--extra-docs N] [--close-room-after MS] [--exit-after MS]\n"
           "               [--type-at MS:TEXT]... [--hang-after MS] [--hang-for MS] [--stall-file FILE]\n"
           "               [--title TEXT]\n";
}

std::optional<unsigned> ParseStallMs(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::nullopt;
    const auto last = text.find_last_not_of(" \t\r\n");
    return ParseCount(text.substr(first, last - first + 1), kMaxMs);
}

}  // namespace hostsim
