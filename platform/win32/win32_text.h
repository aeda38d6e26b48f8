// Text for the wide Win32 calls, and failures turned into the system's own words.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace pw {

// UTF-8 <-> UTF-16, for every wide Win32 call.
std::wstring ToUtf16(std::string_view utf8);
std::string ToUtf8(std::wstring_view wide);
// Through a Windows code page (CP_ACP for the host client's ANSI text).
std::wstring WideFromCodePage(unsigned codePage, std::string_view text);
std::string CodePageFromWide(unsigned codePage, std::wstring_view wide);

// The system's text for a Win32 error code (FormatMessageW), without the trailing line break.
std::wstring SystemErrorText(unsigned long code);

// Tells the user, in a message box, that something failed and why: the system's own
// text for a std::system_error, else the exception's message. Only the first failure
// of a run is shown; a repeating one (a paint that fails every time) would otherwise
// bury the user in boxes. Never throws.
void ReportFailure(const std::exception& e) noexcept;
void ReportFailure(const char* what) noexcept;

}  // namespace pw
