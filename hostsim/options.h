// The command line: what the simulated host client looks like and what it does when.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

// Set the chat input box's text at a moment, as if the user typed it.
struct TypeAt {
    unsigned at_ms = 0;
    std::string text;
};

struct Options {
    std::string log_path;    // empty: no log
    std::string ready_path;  // empty: no ready file
    std::string user = "Tester";
    bool signed_on = true;
    std::optional<std::string> welcome_caption;  // overrides "Welcome, USER!"
    unsigned rooms = 1;
    unsigned room_on_attempt = 1;  // 0: no private-room link ever opens a room
    unsigned extra_docs = 0;
    std::optional<unsigned> close_room_after_ms;
    std::optional<unsigned> exit_after_ms;
    std::vector<TypeAt> type_at;
    std::optional<unsigned> hang_after_ms;
    std::optional<unsigned> hang_for_ms;  // empty: the hang lasts for good
    std::string stall_file;               // empty: no stall on request
    std::string title = "America Online";

    std::string WelcomeCaption() const { return welcome_caption.value_or("Welcome, " + user + "!"); }
};

// Either options or the reason the command line was refused.
struct ParseResult {
    std::optional<Options> options;
    std::string error;
};

// args: the command line without the program name.
ParseResult ParseOptions(const std::vector<std::string>& args);

const char* UsageText();

// The length of a stall asked for through the stall file: its text, a whole number
// of milliseconds (blanks and a line end around it allowed); nothing when it is none.
std::optional<unsigned> ParseStallMs(std::string_view text);

}  // namespace hostsim
