// The form window: how often a busy form repaints, a change of display scale, what it
// shows and repaints, presses, and a failing handler.
// (The title-bar drag is checked end to end, with a real pointer.)
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/form_layout.h"
#include "platform/forms.h"
#include "platform/win32/dpi.h"
#include "platform/win32/form_window.h"
#include "platform/win32/win32_platform.h"

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

// Pixels as twips, for readable layouts.
constexpr float Px(int px) {
    return static_cast<float>(px) * kTwipsPerPixel;
}

// Pumps this thread's messages for `ms`, counting the paints of `w`.
int PumpFor(HWND w, int ms, Clock::time_point* lastPaint = nullptr) {
    int paints = 0;
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_PAINT && msg.hwnd == w) {
                ++paints;
                if (lastPaint) *lastPaint = Clock::now();
            }
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return paints;
}

void Click(HWND w, int x, int y) {
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST(FormWindowPaint, FastCaptionChangesArePaintedAtScreenRateAndTheLastOneShows) {
    Win32Platform p;
    Form form(p, "coalesce", Px(100), Px(40));
    form.designLeft = Px(20);
    form.designTop = Px(20);
    Control& counter = form.Add("counter", ControlKind::Label, nullptr, 0, 0, Px(100), Px(40));
    form.MakeWindow();
    form.Window().Show();
    HWND w = reinterpret_cast<HWND>(form.Window().Handle());
    PumpFor(w, 50);

    int paints = 0, changes = 0;
    const auto start = Clock::now();
    Clock::time_point lastChange, lastPaint;
    while (Clock::now() - start < std::chrono::milliseconds(300)) {
        counter.SetCaption(std::to_string(++changes));
        lastChange = Clock::now();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_PAINT && msg.hwnd == w) ++paints;
            DispatchMessageW(&msg);
        }
    }
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    ASSERT_GT(changes, 1000) << "the loop must outrun the screen for this test to mean anything";
    EXPECT_GE(paints, 2);
    EXPECT_LE(paints, elapsedMs / kRepaintIntervalMs + 2) << changes << " changes in " << elapsedMs << " ms";

    // When the changes stop, the last one still reaches the screen.
    EXPECT_GE(PumpFor(w, 100, &lastPaint), 1);
    EXPECT_GT(lastPaint, lastChange);
    RECT pending;
    EXPECT_FALSE(GetUpdateRect(w, &pending, FALSE));
}

TEST(FormWindowScale, ADpiChangeTakesTheSuggestedPlaceAndTheLayoutsSize) {
    Win32Platform p;
    Form form(p, "scale", Px(100), Px(40));
    form.designLeft = Px(50);
    form.designTop = Px(60);
    Control& spot = form.Add("spot", ControlKind::Label, nullptr, Px(60), Px(10), Px(20), Px(10));
    int clicks = 0;
    spot.Click = [&] { ++clicks; };
    form.MakeWindow();
    form.Window().Show();
    HWND w = reinterpret_cast<HWND>(form.Window().Handle());
    PumpFor(w, 50);
    ASSERT_EQ(WindowDpi(w), 96) << "the test display must start at 100 %";
    EXPECT_EQ(MonitorDpi(w), 96);  // what a system without GetDpiForWindow asks
    Click(w, 130, 25);
    EXPECT_EQ(clicks, 0);

    // Windows asks for the size at the new scale before it suggests a rectangle.
    SIZE size{};
    EXPECT_TRUE(SendMessageW(w, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&size)));
    EXPECT_EQ(size.cx, 150);
    EXPECT_EQ(size.cy, 60);
    // A system that never asked suggests its own stretch: only the place is taken.
    RECT suggested{400, 300, 603, 377};
    SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    RECT now{}, laidOut{400, 300, 600, 380};
    GetWindowRect(w, &now);
    EXPECT_TRUE(EqualRect(&now, &laidOut));
    // Twips stay twips: the 200 x 80 pixels are the form's 100 x 40 at 96 DPI.
    EXPECT_EQ(form.Window().Left(), 400 * 7.5f);
    EXPECT_EQ(form.Window().Width(), Px(100));
    EXPECT_EQ(form.Window().Height(), Px(40));
    Click(w, 130, 25);  // (65, 12) at 96 DPI
    EXPECT_EQ(clicks, 1);
    form.Window().Move(Px(100), Px(50));
    GetWindowRect(w, &now);
    EXPECT_EQ(now.left, 200);
    EXPECT_EQ(now.top, 100);
    PumpFor(w, 50);  // and it paints at the new size
    EXPECT_FALSE(GetUpdateRect(w, &now, FALSE));
}

// One white button at (10, 10)-(50, 30) in a form of its own, shown and focused.
struct ButtonForm {
    explicit ButtonForm(Platform& p) : form(p, "button", Px(60), Px(40)) {
        button.back = Color::Rgb(255, 255, 255);
        form.AddButton("button", Role::PushButton, button, nullptr, 0);
        form.MakeWindow();
        form.Window().Show();
        w = reinterpret_cast<HWND>(form.Window().Handle());
        SetFocus(w);
        PumpFor(w, 50);
    }
    Form form;
    Control& button = form.Add("button", ControlKind::Picture, nullptr, Px(10), Px(10), Px(40), Px(20));
    HWND w = nullptr;
};

TEST(FormWindowLook, TheFocusRectangleShowsAtOnceOnlyForUsersWhoAlwaysShowKeyboardCues) {
    BOOL saved = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &saved, 0);
    for (const BOOL cues : {TRUE, FALSE}) {
        SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(INT_PTR{cues}), 0);
        Win32Platform p;
        ButtonForm f(p);
        HDC dc = GetDC(f.w);
        int dots = 0;
        for (int x = 10; x < 50; ++x)  // along the button's top edge
            dots += GetPixel(dc, x, 10) != RGB(255, 255, 255);
        ReleaseDC(f.w, dc);
        EXPECT_EQ(dots > 0, cues == TRUE) << dots << " dots with keyboard cues " << cues;
    }
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(INT_PTR{saved}), 0);
}

TEST(FormWindowLook, ColourAndThemeChangesRepaintTheWholeWindow) {
    Win32Platform p;
    ButtonForm f(p);
    RECT client{}, pending{};
    GetClientRect(f.w, &client);
    for (UINT change : {WM_SYSCOLORCHANGE, WM_THEMECHANGED}) {
        PumpFor(f.w, 30);
        SendMessageW(f.w, change, 0, 0);
        GetUpdateRect(f.w, &pending, FALSE);
        EXPECT_TRUE(EqualRect(&pending, &client)) << change;
    }
}

// Presses that end without a button-up: the capture goes to another window, or the
// system cancels the mode (a box opens). The control is let go; it is not clicked.
TEST(FormWindowMouse, APressWhoseCaptureIsTakenEndsWithoutAClick) {
    Win32Platform p;
    ButtonForm f(p);
    std::string seen;
    f.button.MouseDown = [&](int) { seen += "down "; };
    f.button.MouseUp = [&](int) { seen += "up "; };
    f.button.Click = [&] { seen += "click "; };
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const std::function<void()> interruptions[] = {[&] { SetCapture(other); },
                                                   [&] { SendMessageW(f.w, WM_CANCELMODE, 0, 0); }};
    for (const auto& interrupt : interruptions) {
        seen.clear();
        SendMessageW(f.w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
        interrupt();
        SendMessageW(f.w, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
        EXPECT_EQ(seen, "down up ");
        ReleaseCapture();
    }
    seen.clear();  // and the next press is a whole click
    Click(f.w, 20, 20);
    EXPECT_EQ(seen, "down up click ");
    DestroyWindow(other);
}

// Failure boxes seen by a timer that runs inside their modal loop, and closed by it.
std::vector<std::wstring> gBoxes;

void CALLBACK CloseBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindWindowW(L"#32770", nullptr);
    if (!box || !IsWindowVisible(box)) return;
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    gBoxes.push_back(text);
    EndDialog(box, IDOK);
}

TEST(FormWindowFailure, AThrowingHandlerShowsOneBoxAndTheWindowStaysUsable) {
    Win32Platform p;
    ButtonForm f(p);
    int clicks = 0;
    f.button.Click = [&] {
        if (++clicks <= 2) throw std::runtime_error("the handler broke");
    };
    gBoxes.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseBox);
    for (int i = 0; i < 3; ++i)
        Click(f.w, 20, 20);
    PumpFor(f.w, 300);
    KillTimer(nullptr, timer);
    ASSERT_EQ(gBoxes.size(), 1u) << "one box for the first failure, none for a repeat";
    EXPECT_NE(gBoxes[0].find(L"the handler broke"), std::wstring::npos);
    EXPECT_EQ(clicks, 3);
    EXPECT_TRUE(IsWindowEnabled(f.w));
}

}  // namespace
}  // namespace pw
