// The chat lines pellowick posts. Every line opens with the same markup and the
// maker's signature; the markup's oddities are the host client's established look
// and are kept exactly.
#pragma once

#include <string>
#include <string_view>

#include "build_info.h"

namespace pw {

// The maker's page, linked from every line.
inline constexpr std::string_view kMakerLink = PW_MAKER_LINK;
// Seconds between emptying the chat box and posting a line there.
inline constexpr int kPauseBeforeLine = 1;

// How every line begins, up to the version: text in the chat box that begins so is one
// of pellowick's own lines (a late copy, or one a run before this left there).
inline constexpr std::string_view kLineStart = "<font face=Tahoma color=#000000></b>|- <b>pellowick ";

// Idle minutes as printed: 60 x hours + minutes, plain digits.
std::string IdleMinutesText(std::string_view hoursCaption, std::string_view minutesCaption);

std::string NowIdleLine(std::string_view version, std::string_view idleMinutes);
std::string NotIdleLine(std::string_view version, std::string_view idleMinutes);
std::string IdleLine(std::string_view version, std::string_view idleMinutes);
std::string LoadedLine(std::string_view version);
std::string UnloadedLine(std::string_view version);
std::string StatisticsLine(std::string_view version);
std::string TotalsLine(std::string_view version, std::string_view days, std::string_view hours,
                       std::string_view minutes, std::string_view seconds);

}  // namespace pw
