// The counters as a screen reader says them: "Idle time: 0 hours, 1 minute, 5 seconds".
#pragma once

#include <string>
#include <string_view>

namespace pw {

// "1 minute", "5 minutes": the caption's number with its unit, singular for exactly one.
std::string CountInWords(std::string_view caption, std::string_view unit);

std::string IdleTimeInWords(std::string_view hours, std::string_view minutes, std::string_view seconds);
std::string TotalTimeInWords(std::string_view days, std::string_view hours, std::string_view minutes,
                             std::string_view seconds);

}  // namespace pw
