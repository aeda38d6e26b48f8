// What automatic idle asks of Windows: the last-input time and lock notifications
// reaching the form. (The menu's radio items are read in the main window's tests.)
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/forms.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/hostsim_process.h"

namespace pw {
namespace {

using test::Pump;

TEST(AutoIdleWin32, LastInputFollowsInputOverOwnWindow) {
    Win32Platform p;
    Form form(p, "lastInput", 100 * kTwipsPerPixel, 60 * kTwipsPerPixel);
    form.designLeft = 400 * kTwipsPerPixel;
    form.designTop = 300 * kTwipsPerPixel;
    form.Window().Show();
    Pump(100);
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    for (int x : {420, 440}) {
        in.mi.dx = (x * 65536 + sw - 1) / sw;
        in.mi.dy = (320 * 65536 + sh - 1) / sh;
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &in, sizeof in);
        Pump(100);
    }
    const std::uint32_t now = p.TickCount();
    const auto last = p.LastInputTick();
    ASSERT_TRUE(last.has_value()) << "no last-input time after input over our own window";
    EXPECT_LT(now - *last, 2000u);
    Pump(300);
    EXPECT_GE(p.TickCount() - *p.LastInputTick(), 250u) << "input time moved without input";
}

TEST(AutoIdleWin32, LockNotificationsReachTheForm) {
    Win32Platform p;
    Form form(p, "sessionLock", 50 * kTwipsPerPixel, 50 * kTwipsPerPixel);
    std::vector<bool> heard;
    form.SessionLock = [&](bool locked) { heard.push_back(locked); };
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
