#include "idling/announce.h"

#include "platform/forms.h"

namespace pw {
namespace {

constexpr std::string_view kDot = "\xC2\xB7";  // U+00B7 MIDDLE DOT

std::string Opening(std::string_view version) {
    std::string s = "<font face=Tahoma color=#000000></b>|- <b>pellowick ";
    s += version;
    s += "</b> ";
    s += kDot;
    s += " <b>< a href=";
    s += kMakerLink;
    s += "></u>jom</a></b> -|- <b>";
    return s;
}

std::string Counted(std::string_view version, std::string_view keyword, std::string_view minutes) {
    std::string s = Opening(version);
    s += keyword;
    s += "</b> ";
    s += kDot;
    s += ' ';
    s += minutes;
    s += " -|";
    return s;
}

std::string Plain(std::string_view version, std::string_view keyword) {
    return Opening(version) + std::string(keyword) + "</b> -|";
}

}  // namespace

std::string IdleMinutesText(std::string_view hoursCaption, std::string_view minutesCaption) {
    return NumberText(60 * CaptionValue(hoursCaption) + CaptionValue(minutesCaption));
}

std::string NowIdleLine(std::string_view v, std::string_view m) { return Counted(v, "now idle", m); }
std::string NotIdleLine(std::string_view v, std::string_view m) { return Counted(v, "not idle", m); }
std::string IdleLine(std::string_view v, std::string_view m) { return Counted(v, "idle", m); }
std::string LoadedLine(std::string_view v) { return Plain(v, "loaded"); }
std::string UnloadedLine(std::string_view v) { return Plain(v, "unloaded"); }
std::string StatisticsLine(std::string_view v) { return Plain(v, "statistics"); }

std::string TotalsLine(std::string_view v, std::string_view days, std::string_view hours, std::string_view minutes,
                       std::string_view seconds) {
    std::string s = Opening(v);
    s += "d</b>";
    s += days;
    s += " <b>h</b>";
    s += hours;
    s += " <b>m</b>";
    s += minutes;
    s += " <b>s</b>";
    s += seconds;
    s += " -|";
    return s;
}

}  // namespace pw
