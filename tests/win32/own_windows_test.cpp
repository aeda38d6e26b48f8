// The backend against windows of this process: text reads from windows that lie,
// and the event loop while the bridge waits.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <optional>
#include <string>

#include "host/bridge.h"
#include "platform/pause.h"
#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace pw {
namespace {

// What a test window answers and what it has seen.
struct Behaviour {
    LRESULT length = 0;                  // the WM_GETTEXTLENGTH answer
    std::optional<LRESULT> copiedClaim;  // the WM_GETTEXT answer, if not the truth
    int posted = 0;                      // WM_APP messages dispatched
    int ticks = 0;                       // WM_TIMER messages dispatched
};

// An ANSI window, so that ANSI calls reach its procedure without any conversion
// that would correct its answers.
LRESULT CALLBACK TestWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* b = reinterpret_cast<Behaviour*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (!b) return DefWindowProcA(w, msg, wp, lp);
    switch (msg) {
        case WM_GETTEXTLENGTH:
            return b->length;
        case WM_GETTEXT: {
            LRESULT copied = DefWindowProcA(w, msg, wp, lp);
            return b->copiedClaim.value_or(copied);
        }
        case WM_APP:
            ++b->posted;
            return 0;
        case WM_TIMER:
            ++b->ticks;
            return 0;
        default:
            return DefWindowProcA(w, msg, wp, lp);
    }
}

class TestWindow {
  public:
    TestWindow(Behaviour& b, const char* text) {
        static const char* cls = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = TestWindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "pw_test_window";
            RegisterClassA(&wc);
            return wc.lpszClassName;
        }();
        w_ = CreateWindowExA(0, cls, text, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(w_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&b));
    }
    ~TestWindow() { DestroyWindow(w_); }
    HWND get() const { return w_; }
    Hwnd id() const { return reinterpret_cast<Hwnd>(w_); }

  private:
    HWND w_;
};

TEST(Win32GetText, WindowsThatLieAboutTheirTextGiveNoMoreThanTheText) {
    struct Case {
        const char* name;
        LRESULT length;
        std::optional<LRESULT> copiedClaim;
        std::string expected;
    } cases[] = {
        {"negative length", -7, {}, "hello"},
        {"most negative length", LONG_LONG_MIN, {}, "hello"},
        {"huge length", LRESULT{1} << 40, {}, "hello"},
        {"length too large", 1000, {}, "hello"},
        {"length too small", 2, {}, "he"},
        {"length zero", 0, {}, ""},
        {"copied count too large", 5, 5000, "hello"},
        {"copied count negative", 5, -3, ""},
    };
    Win32Platform p;
    HostLink link(p, "");
    for (const Case& c : cases) {
        Behaviour b{c.length, c.copiedClaim};
        TestWindow w(b, "hello");
        EXPECT_EQ(link.GetText(w.id()), c.expected) << c.name;
    }
}

TEST(Win32Loop, PauseKeepsDispatchingAndWaitWakesForInput) {
    Win32Platform p;
    Behaviour b;
    TestWindow w(b, "");
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    };

    PostMessageA(w.get(), WM_APP, 0, 0);
    SetTimer(w.get(), 1, 100, nullptr);
    auto start = Clock::now();
    Pause(p, 1);
    double took = seconds(start);
    KillTimer(w.get(), 1);
    EXPECT_EQ(b.posted, 1);
    EXPECT_GE(b.ticks, 1);
    EXPECT_GE(took, 0.5);
    EXPECT_LE(took, 1.5);

    PostMessageA(w.get(), WM_APP, 0, 0);
    start = Clock::now();
    p.WaitForEvents(5);
    EXPECT_LT(seconds(start), 1.0);
    p.PumpEvents();
    EXPECT_EQ(b.posted, 2);

    // A quit request seen while pumping is taken once, handed on, and not put back:
    // the wait that saw it sleeps on instead of spinning on it.
    int asked = 0;
    p.QuitAsked = [&] { ++asked; };
    auto cpu = [] {
        FILETIME created, exited, kernel, user;
        GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
        auto ticks = [](FILETIME t) { return (ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
        return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
    };
    PostQuitMessage(7);
    const double cpuBefore = cpu();
    start = Clock::now();
    Pause(p, 2);
    EXPECT_LT(cpu() - cpuBefore, 0.5 * seconds(start));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(p.QuitReceived());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(Win32Loop, InsideTheSystemsMoveLoopTheWaitsLeaveMouseAndKeysAlone) {
    Win32Platform p;
    Behaviour b;
    TestWindow w(b, "");
    p.SystemLoop(true);
    for (UINT msg : {WM_LBUTTONUP, WM_NCLBUTTONUP, WM_KEYUP, WM_APP})
        PostMessageA(w.get(), msg, 0, 0);
    p.PumpEvents();
    EXPECT_EQ(b.posted, 1);
    MSG msg;
    for (UINT left : {WM_LBUTTONUP, WM_NCLBUTTONUP, WM_KEYUP})
        EXPECT_TRUE(PeekMessageA(&msg, w.get(), left, left, PM_REMOVE)) << left;
    p.SystemLoop(false);
    PostMessageA(w.get(), WM_LBUTTONUP, 0, 0);
    p.PumpEvents();
    EXPECT_FALSE(PeekMessageA(&msg, w.get(), WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE));
}

}  // namespace
}  // namespace pw
