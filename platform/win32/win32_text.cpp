#include "platform/win32/win32_text.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <stdexcept>
#include <system_error>

namespace pw {
namespace {

int Length(std::size_t n) {
    return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
}

void ShowOnce(const std::wstring& text) noexcept {
    static std::atomic<bool> shown{false};
    if (shown.exchange(true)) return;
    // Above the topmost window it disables, and in front, so it is never hidden behind it.
    MessageBoxW(nullptr, text.c_str(), L"pellowick",
                MB_OK | MB_ICONSTOP | MB_TASKMODAL | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace

std::wstring WideFromCodePage(unsigned codePage, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), wide.data(), n);
    return wide;
}

std::string CodePageFromWide(unsigned codePage, std::wstring_view wide) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, wide.data(), Length(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), Length(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

std::wstring ToUtf16(std::string_view utf8) {
    return WideFromCodePage(CP_UTF8, utf8);
}
std::string ToUtf8(std::wstring_view wide) {
    return CodePageFromWide(CP_UTF8, wide);
}

std::wstring SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : L"Error " + std::to_wstring(code) + L".";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}

void ReportFailure(const std::exception& e) noexcept {
    try {
        std::wstring text = ToUtf16(e.what());
        if (auto* system = dynamic_cast<const std::system_error*>(&e);
            system && system->code().category() == std::system_category()) {
            // The context we added, then the system's own words for the error.
            std::string context = system->what();
            context = context.substr(0, context.find(':'));
            text = ToUtf16(context) + L":\r\n" +
                   SystemErrorText(static_cast<unsigned long>(system->code().value()));
        }
        ShowOnce(L"pellowick ran into a problem and could not finish what it was doing.\r\n\r\n" + text);
    } catch (...) {
        ShowOnce(L"pellowick ran into a problem and could not finish what it was doing.");
    }
}

void ReportFailure(const char* what) noexcept {
    try {
        ReportFailure(std::runtime_error(what));
    } catch (...) {
        ShowOnce(L"pellowick ran into a problem and could not finish what it was doing.");
    }
}

}  // namespace pw
