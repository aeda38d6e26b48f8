#include "ui/spoken.h"

#include <initializer_list>
#include <utility>

#include "platform/forms.h"

namespace pw {

std::string CountInWords(std::string_view caption, std::string_view unit) {
    // "05" is read as 5: the leading zero is only there for the eye.
    const double value = CaptionValue(caption);
    std::string text = NumberText(value);
    text.append(" ").append(unit);
    if (value != 1) text.push_back('s');
    return text;
}

namespace {

// "<heading>: 0 hours, 1 minute, 5 seconds"
std::string Counted(std::string text,
                    std::initializer_list<std::pair<std::string_view, const char*>> counts) {
    const char* separator = ": ";
    for (auto [caption, unit] : counts) {
        text.append(separator).append(CountInWords(caption, unit));
        separator = ", ";
    }
    return text;
}

}  // namespace

std::string IdleTimeInWords(std::string_view hours, std::string_view minutes, std::string_view seconds) {
    return Counted("Idle time", {{hours, "hour"}, {minutes, "minute"}, {seconds, "second"}});
}

std::string TotalTimeInWords(std::string_view days, std::string_view hours, std::string_view minutes,
                             std::string_view seconds) {
    return Counted("Total time", {{days, "day"}, {hours, "hour"}, {minutes, "minute"}, {seconds, "second"}});
}

}  // namespace pw
