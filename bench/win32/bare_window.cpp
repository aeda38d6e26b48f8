// The floor programs: a bare window of the main window's size and place, with a label
// that a 1000 ms timer repaints, and nothing else. Built three times: pw_bare_window.exe;
// pw_bare_gdiplus.exe (PW_BARE_GDIPLUS), which also starts GDI+ and decodes one small
// GIF from its resources, as any program showing a picture must; and pw_bare_host.exe
// (PW_BARE_HOST), which also does the host work pellowick cannot avoid, with raw calls:
// at start-up it empties the chat room's input box, pauses a second and sends the
// loaded line, and each second it reads the room's caption, as the watchdog does.
//
//   --startup   print the time to the shown window from entry and from the process's
//               creation (less the pause), then exit
//   (nothing)   run until ended from outside (idle CPU and working set floors)
#include <windows.h>

#include "bench/win32/process_time.h"

#ifdef PW_BARE_HOST
#include "bench/win32/bare_host.h"
#include "build_info.h"
#include "idling/announce.h"
#endif

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>

#ifdef PW_BARE_GDIPLUS
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>
#endif

namespace {

constexpr wchar_t kClass[] = L"pw_bare_window";
constexpr UINT_PTR kTimerId = 1;
constexpr RECT kLabel{150, 50, 290, 70};

int ticks = 0;
HFONT font = nullptr;
HBITMAP picture = nullptr;

#ifdef PW_BARE_GDIPLUS
HBITMAP DecodeGif() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(module, L"picture", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return nullptr;
    const void* bytes = LockResource(LoadResource(module, res));
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), SizeofResource(module, res));
    if (!stream) return nullptr;
    Gdiplus::GpBitmap* bitmap = nullptr;
    HBITMAP out = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
        if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap, &out, 0xFFFFFFFF) != Gdiplus::Ok)
            out = nullptr;
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
    }
    stream->Release();
    return out;
}

void LoadPicture() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) picture = DecodeGif();
    if (!picture) std::fprintf(stderr, "bare window: the picture did not decode\n");
}
#endif

#ifdef PW_BARE_HOST
using Clock = std::chrono::steady_clock;

// The loaded line in the host's ANSI code page, converted as pellowick converts it.
std::string AnsiLoadedLine() {
    const std::string utf8 = pw::LoadedLine("v." PW_VERSION_TEXT);
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    const int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string ansi(m, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), n, ansi.data(), m, nullptr, nullptr);
    return ansi;
}

// A second's wait that keeps this thread's messages flowing; returns its length.
double Pause() {
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(1);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What pellowick's load asks of the host: empty the input box, wait a second, then
// send the loaded line. Returns the pause's length.
double LoadHostWork() {
    if (HWND box = bare::FindChatInput()) bare::SetText(box, "");
    const double paused = Pause();
    if (HWND box = bare::FindChatInput()) {
        const std::string line = AnsiLoadedLine();
        if (bare::SetText(box, line.c_str())) bare::TypeChar(box, '\r');
    }
    return paused;
}
#endif

void Paint(HWND w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
    if (picture) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, picture);
        BitBlt(dc, 19, 41, 64, 23, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    wchar_t text[16];
    std::swprintf(text, 16, L"%02d", ticks % 60);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    RECT r = kLabel;
    DrawTextW(dc, text, -1, &r, DT_RIGHT | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    EndPaint(w, &ps);
}

LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            Paint(w);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER:
            ++ticks;
#ifdef PW_BARE_HOST
            bare::ReadText(bare::FindChatRoom());
#endif
            InvalidateRect(w, &kLabel, FALSE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR args, int) {
    const auto entry = std::chrono::steady_clock::now();
    const bool startupOnly = std::wcsstr(args, L"--startup") != nullptr;
#ifdef PW_BARE_GDIPLUS
    LoadPicture();
#endif
    font = CreateFontW(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    HWND w = CreateWindowExW(WS_EX_APPWINDOW, kClass, L"bare", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 207,
                             77, 305, 135, nullptr, nullptr, inst, nullptr);
    if (!w) return 1;
    double paused = 0;
#ifdef PW_BARE_HOST
    if (startupOnly) paused = LoadHostWork();
#endif
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    if (startupOnly) {
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - entry).count();
        const double launch = SecondsSinceCreation();
        std::printf("startup_floor_s: %.4f s\n", took - paused);
        std::printf("startup_launch_floor_s: %.4f s\n", launch - paused);
        std::fflush(stdout);
        return 0;
    }
    SetTimer(w, kTimerId, 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
