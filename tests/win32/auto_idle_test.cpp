// What automatic idle asks of Windows: the last-input time, lock notifications
// reaching the form, and radio-checked items in the real popup menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/forms.h"
#include "platform/win32/win32_platform.h"

namespace pw {
namespace {

void Pump(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

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

TEST(AutoIdleWin32, PopupMenuShowsRadioChecks) {
    Win32Platform p;
    Form form(p, "radioMenu", 100 * kTwipsPerPixel, 40 * kTwipsPerPixel);
    form.Window().Show();
    Pump(50);
    MenuItem root, sub, off, five;
    sub.caption = "auto idle";
    off.caption = "off";
    off.radio = true;
    five.caption = "after 5 minutes";
    five.radio = five.checked = true;
    sub.items = {off, five};
    root.items = {sub};

    // Read from a second thread while the menu runs its modal loop, then close it.
    HWND owner = reinterpret_cast<HWND>(form.Window().Handle());
    std::vector<std::string> seen;
    std::thread reader([&] {
        for (int tries = 0; tries < 100 && seen.empty(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            HWND popup = FindWindowW(L"#32768", nullptr);
            HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)) : nullptr;
            HMENU inner = menu ? GetSubMenu(menu, 0) : nullptr;
            for (int i = 0; inner && i < GetMenuItemCount(inner); ++i) {
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE | MIIM_STATE;
                GetMenuItemInfoW(inner, static_cast<UINT>(i), TRUE, &info);
                seen.push_back(std::string((info.fType & MFT_RADIOCHECK) ? "radio" : "plain") +
                               ((info.fState & MFS_CHECKED) ? " checked" : ""));
            }
        }
        PostMessageW(owner, WM_CANCELMODE, 0, 0);
    });
    const MenuItem* picked = form.Window().TrackPopup(root, 0, 0);
    reader.join();
    EXPECT_EQ(picked, nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"radio", "radio checked"}));
}

}  // namespace
}  // namespace pw
