// UTF-8 <-> UTF-16, for every wide Win32 call.
#pragma once

#include <string>
#include <string_view>

namespace pw {

std::wstring ToUtf16(std::string_view utf8);
std::string ToUtf8(std::wstring_view wide);

}  // namespace pw
