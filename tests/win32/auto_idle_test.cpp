// What automatic idle asks of Windows: lock notifications reaching the form. (The
// last-input time is checked end to end, with real input; the menu's radio items are
// read in the main window's tests.)
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/forms.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/hostsim_process.h"

namespace pw {
namespace {

using test::Pump;

TEST(AutoIdleWin32, LockNotificationsReachTheForm) {
    Win32Platform p;
    Form form(p, "sessionLock", 50 * kTwipsPerPixel, 50 * kTwipsPerPixel);
    std::vector<bool> heard;
    form.SessionLock = [&](bool locked) { heard.push_back(locked); };
    form.MakeWindow();
    form.Window().WatchSessionLock(true);
    HWND w = reinterpret_cast<HWND>(form.Window().Handle());
    for (WPARAM code : {WTS_SESSION_LOCK, WTS_CONSOLE_CONNECT, WTS_SESSION_UNLOCK})
        PostMessageW(w, WM_WTSSESSION_CHANGE, code, 1);
    Pump(100);
    EXPECT_EQ(heard, (std::vector<bool>{true, false}));
    form.Window().WatchSessionLock(false);
    form.DestroyWindow();
}

}  // namespace
}  // namespace pw
