// pellowick.exe: one copy per session, the main window, and the message loop.
#include <windows.h>

#include <exception>

#include "build_info.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_text.h"
#include "ui/frm_main.h"

namespace {

constexpr wchar_t kInstanceMutex[] = L"Local\\pellowick.running";
// The first copy may still be loading when a second one starts: its window gets
// this long (tries x pause) to appear.
constexpr int kFirstCopyTries = 30;
constexpr DWORD kFirstCopyPauseMs = 100;

// Two copies would overwrite each other's totals and post every line twice: a
// second start only brings the first copy's window forward.
bool AnotherCopyRuns() {
    // Held until the process ends; the system releases it then. A mutex we may not
    // open was made by a copy running with more rights: that copy runs too.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutex);
    const DWORD error = GetLastError();
    if (mutex && error != ERROR_ALREADY_EXISTS) return false;
    if (!mutex && error != ERROR_ACCESS_DENIED) return false;
    for (int tries = 0; tries < kFirstCopyTries; ++tries) {
        if (HWND w = FindWindowW(PW_MAIN_CLASS, nullptr)) {
            if (IsIconic(w)) ShowWindowAsync(w, SW_RESTORE);
            SetForegroundWindow(w);
            break;
        }
        Sleep(kFirstCopyPauseMs);
    }
    return true;
}

int Run() {
    if (AnotherCopyRuns()) return 0;
    pw::Win32Platform platform;
    pw::FrmMain main(platform);
    // A quit message from outside is a close: the totals are saved and "unloaded"
    // is posted, wherever the quit arrives.
    platform.QuitAsked = [&main] { main.lblClose_Click(); };
    main.Form_Load();
    main.Window().Show();
    // The program ends in Form_Unload; the loop only serves until then.
    MSG msg;
    while (!platform.QuitReceived()) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            platform.QuitAsked();
            break;
        }
        if (got < 0) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // A close that has to wait for a running stop finishes it from inside the loop.
    for (;;) {
        platform.PumpEvents();
        platform.WaitForEvents(1);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A window that cannot be made, or memory that runs out, ends the program with
    // the reason shown rather than without a word.
    try {
        return Run();
    } catch (const std::exception& e) {
        pw::ReportFailure(e);
    } catch (...) {
        pw::ReportFailure("an unexpected failure at start-up");
    }
    return 1;
}
