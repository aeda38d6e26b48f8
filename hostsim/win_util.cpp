#include "hostsim/win_util.h"

#include <vector>

namespace hostsim {

void UniqueHandle::Reset(HANDLE handle) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    char* buffer = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length =
        FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length ? std::string(buffer, length) : std::string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text + " (error " + std::to_string(code) + ")";
}

void PrintError(std::string_view text) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (err == nullptr || err == INVALID_HANDLE_VALUE ||
        !WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        OutputDebugStringA(std::string(text).c_str());
    }
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
}

HWND CreateChild(HWND parent, const ChildSpec& layout, HFONT font) {
    const RECT& r = layout.place;
    HWND child = CreateWindowExA(
        layout.ex_style, layout.window_class, layout.text, WS_CHILD | WS_VISIBLE | layout.style, r.left,
        r.top, r.right - r.left, r.bottom - r.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), GetModuleHandleA(nullptr), nullptr);
    if (child && font) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void MoveChild(HWND child, int left, int top, int width, int height) {
    if (child) MoveWindow(child, left, top, width > 0 ? width : 0, height > 0 ? height : 0, TRUE);
}

}  // namespace hostsim
