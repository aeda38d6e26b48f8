#include "idling/announce.h"

#include <initializer_list>

#include "platform/forms.h"

namespace pw {
namespace {

constexpr std::string_view kDot = "\xC2\xB7";  // U+00B7 MIDDLE DOT

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view part : parts)
        s += part;
    return s;
}

// The opening and the signature every line starts with, markup oddities and all.
std::string Opening(std::string_view version) {
    return Join(
        {kLineStart, version, "</b> ", kDot, " <b>< a href=", kMakerLink, "></u>jom</a></b> -|- <b>"});
}

std::string Counted(std::string_view version, std::string_view keyword, std::string_view minutes) {
    return Join({Opening(version), keyword, "</b> ", kDot, " ", minutes, " -|"});
}

std::string Plain(std::string_view version, std::string_view keyword) {
    return Join({Opening(version), keyword, "</b> -|"});
}

}  // namespace

std::string IdleMinutesText(std::string_view hoursCaption, std::string_view minutesCaption) {
    return NumberText(60 * CaptionValue(hoursCaption) + CaptionValue(minutesCaption));
}

std::string NowIdleLine(std::string_view v, std::string_view m) {
    return Counted(v, "now idle", m);
}
std::string NotIdleLine(std::string_view v, std::string_view m) {
    return Counted(v, "not idle", m);
}
std::string IdleLine(std::string_view v, std::string_view m) {
    return Counted(v, "idle", m);
}
std::string LoadedLine(std::string_view v) {
    return Plain(v, "loaded");
}
std::string UnloadedLine(std::string_view v) {
    return Plain(v, "unloaded");
}
std::string StatisticsLine(std::string_view v) {
    return Plain(v, "statistics");
}

std::string TotalsLine(std::string_view v, std::string_view days, std::string_view hours,
                       std::string_view minutes, std::string_view seconds) {
    return Join(
        {Opening(v), "d</b>", days, " <b>h</b>", hours, " <b>m</b>", minutes, " <b>s</b>", seconds, " -|"});
}

}  // namespace pw
