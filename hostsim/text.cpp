#include "hostsim/text.h"

#include <algorithm>

namespace hostsim {

std::string EscapeBytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte >= 0x20 && byte <= 0x7E) {
            out += ch;
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::optional<std::string> PrivateRoomNumber(std::string_view text) {
    if (!text.starts_with(kPrivateRoomLinkPrefix)) return std::nullopt;
    const std::string_view digits = text.substr(kPrivateRoomLinkPrefix.size());
    const bool all_digits =
        std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    if (digits.empty() || !all_digits) return std::nullopt;
    return std::string(digits);
}

}  // namespace hostsim
