// Byte-level helpers shared by the event log and the address box.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hostsim {

// The link that asks for a private chat room; the room number follows it.
inline constexpr std::string_view kPrivateRoomLinkPrefix = "aol://2719:2-2-pellowick%20";

// Printable ASCII (0x20-0x7E) stays as it is, a backslash doubled; every other byte
// becomes \xHH with uppercase hex. The result never holds a TAB or a line break.
std::string EscapeBytes(std::string_view bytes);

// The text without its leading and trailing blanks (spaces and tabs).
std::string_view TrimBlanks(std::string_view text);

// The room number (its decimal digits) when text is exactly a private-room link.
std::optional<std::string> PrivateRoomNumber(std::string_view text);

}  // namespace hostsim
