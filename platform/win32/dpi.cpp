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

int MonitorDpi(HWND hwnd) {
    // shcore.dll (Windows 8.1 and later) is loaded only where GetDpiForWindow is missing.
    using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const Fn forMonitor = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<Fn>(
                            reinterpret_cast<void (*)()>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    UINT x = 0, y = 0;
    HMONITOR monitor = hwnd ? MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST) : nullptr;
    if (forMonitor && monitor && SUCCEEDED(forMonitor(monitor, kEffectiveDpi, &x, &y))) return Sane(x);
    return 0;
}

int WindowDpi(HWND hwnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn forWindow = User32Function<Fn>("GetDpiForWindow");
    if (forWindow && hwnd) {
        if (const int dpi = Sane(forWindow(hwnd))) return dpi;
    }
    // Windows 8.1 and 10 before 1607: the display the window is on still has its own
    // scale, which the system DPI does not tell.
    if (const int dpi = MonitorDpi(hwnd)) return dpi;
    return SystemDpi();
}

}  // namespace pw
