#include "platform/win32/dpi.h"

namespace pw {

namespace {

template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    // Through void(*)(): a direct cast from FARPROC trips -Wcast-function-type.
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                  : nullptr;
}

int Sane(UINT dpi) {
    return dpi >= 48 && dpi <= 1920 ? static_cast<int>(dpi) : 0;
}

}  // namespace

int SystemDpi() {
    using Fn = UINT(WINAPI*)();
    static const Fn forSystem = User32Function<Fn>("GetDpiForSystem");
    if (forSystem) {
        if (const int dpi = Sane(forSystem())) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? Sane(static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX))) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi ? dpi : 96;
}

int WindowDpi(HWND hwnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn forWindow = User32Function<Fn>("GetDpiForWindow");
    if (forWindow && hwnd) {
        if (const int dpi = Sane(forWindow(hwnd))) return dpi;
    }
    return SystemDpi();
}

}  // namespace pw
