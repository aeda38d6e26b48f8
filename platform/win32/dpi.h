// The display scale as Windows reports it. The per-window and per-display calls
// appeared in Windows 10 1607 and 8.1 and are looked up at run time, so the program
// still starts on Windows 7.
#pragma once

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace pw {

// The DPI of the primary display (the system DPI).
int SystemDpi();
// The DPI of the display `hwnd` is on; the system DPI where Windows cannot tell.
int WindowDpi(HWND hwnd);
// The DPI of the display `hwnd` is on as that display reports it; 0 before Windows 8.1.
int MonitorDpi(HWND hwnd);

}  // namespace pw
