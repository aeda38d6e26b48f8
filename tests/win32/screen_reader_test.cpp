// pellowick's window as a screen reader sees it: from this process, through Active
// Accessibility, against the real pellowick.exe and a live hostsim; and as a second
// start finds it.
#include <gtest/gtest.h>

#include <objbase.h>
#include <oleacc.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "build_info.h"
#include "tests/win32/hostsim_process.h"

namespace pw {
namespace {

using test::HostSimProcess;
using test::Payloads;
using test::WaitFor;

// Focus and name-change events raised by one window, as "focus 2" or "name 6".
std::vector<std::string> gEvents;
HWND gWatched = nullptr;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND w, LONG object, LONG child, DWORD, DWORD) {
    if (w != gWatched || object != OBJID_CLIENT) return;
    if (event == EVENT_OBJECT_FOCUS) gEvents.push_back("focus " + std::to_string(child));
    if (event == EVENT_OBJECT_NAMECHANGE) gEvents.push_back("name " + std::to_string(child));
}

std::string Events() {
    std::string all;
    for (const std::string& e : gEvents)
        all.append(e).append(";");
    gEvents.clear();
    return all;
}

// pellowick.exe copied into a folder of its own (its statistics file goes beside it),
// started, and ended with the test; a c:\pwick.dat from outside is kept aside.
class Pellowick {
  public:
    Pellowick() {
        wchar_t path[MAX_PATH];
        std::wstring exe(path, GetModuleFileNameW(nullptr, path, MAX_PATH));  // <build>\tests\win32\x.exe
        for (int up = 0; up < 3; ++up)
            exe.resize(exe.rfind(L'\\'));
        exe += L"\\platform\\win32\\pellowick.exe";
        dir_ = std::wstring(path, GetTempPathW(MAX_PATH, path)) + L"pwacc" +
               std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(dir_.c_str(), nullptr);
        MoveFileExW(kStats, (dir_ + L"\\aside.dat").c_str(), MOVEFILE_REPLACE_EXISTING);
        if (CopyFileW(exe.c_str(), (dir_ + L"\\pellowick.exe").c_str(), FALSE) && Start(pi_)) {
            WaitFor([&] { return (window = FindWindowW(PW_MAIN_CLASS, nullptr)) && IsWindowVisible(window); },
                    30);
        }
    }
    ~Pellowick() {
        if (pi_.hProcess) {
            TerminateProcess(pi_.hProcess, 0);
            WaitForSingleObject(pi_.hProcess, 5000);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
        DeleteFileW(kStats);
        MoveFileExW((dir_ + L"\\aside.dat").c_str(), kStats, 0);
        for (const wchar_t* name : {L"\\pwick.dat", L"\\pellowick.exe"})
            DeleteFileW((dir_ + name).c_str());
        RemoveDirectoryW(dir_.c_str());
    }
    // Another start of the same copy, which is to end by itself within `seconds`.
    bool StartAgainEnds(double seconds) const {
        PROCESS_INFORMATION again{};
        if (!Start(again)) return false;
        const bool ended =
            WaitForSingleObject(again.hProcess, static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(again.hProcess, 0);
        CloseHandle(again.hProcess);
        CloseHandle(again.hThread);
        return ended;
    }
    bool Ended(double seconds) const {
        return pi_.hProcess &&
               WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0;
    }
    HWND window = nullptr;

  private:
    bool Start(PROCESS_INFORMATION& pi) const {
        std::wstring cmd = L"\"" + dir_ + L"\\pellowick.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        return CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si,
                              &pi);
    }
    static constexpr const wchar_t* kStats = L"c:\\pwick.dat";
    std::wstring dir_;
    PROCESS_INFORMATION pi_{};
};

VARIANT Child(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring Name(IAccessible* acc, LONG id) {
    BSTR name = nullptr;
    if (acc->get_accName(Child(id), &name) != S_OK || !name) return L"(no name)";
    std::wstring s(name, SysStringLen(name));
    SysFreeString(name);
    return s;
}

// get_accRole or get_accState; -1 when it fails.
LONG Get(IAccessible* acc, LONG id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
    VARIANT v;
    VariantInit(&v);
    return (acc->*get)(Child(id), &v) == S_OK && v.vt == VT_I4 ? v.lVal : -1;
}

// "on", "unavailable" or "invisible", as a reader would say of a button.
std::string Availability(IAccessible* acc, LONG id) {
    const LONG s = Get(acc, id, &IAccessible::get_accState);
    if (s < 0) return "(no state)";
    if (s & STATE_SYSTEM_INVISIBLE) return "invisible";
    return s & STATE_SYSTEM_UNAVAILABLE ? "unavailable" : "on";
}

constexpr LONG kStart = 1, kStop = 2, kMenu = 3, kClose = 5, kIdleTime = 6;

TEST(ScreenReader, ReadsTheWindowAndStartsAndStopsThroughDefaultActions) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    HostSimProcess host({});
    const auto lastPost = [&] {
        const std::vector<std::string> posts = Payloads(host.Log(), "POST");
        return posts.empty() ? std::string() : posts.back();
    };
    {
        Pellowick app;
        ASSERT_TRUE(app.window) << "pellowick's window was not shown within 30 s";
        IAccessible* acc = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(app.window, static_cast<DWORD>(OBJID_CLIENT),
                                             __uuidof(IAccessible), reinterpret_cast<void**>(&acc)),
                  S_OK);
        ASSERT_TRUE(acc);
        gWatched = app.window;
        DWORD pid = 0;
        GetWindowThreadProcessId(app.window, &pid);
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, OnWinEvent,
                                             pid, 0, WINEVENT_OUTOFCONTEXT);
        ASSERT_TRUE(hook);

        EXPECT_EQ(Name(acc, CHILDID_SELF), L"pellowick v.1.51 \u00B7 jom");
        LONG count = 0;
        EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
        ASSERT_EQ(count, 7);
        const struct {
            const wchar_t* name;  // the start of it
            LONG role;
        } children[] = {{L"start", ROLE_SYSTEM_PUSHBUTTON},
                        {L"stop", ROLE_SYSTEM_PUSHBUTTON},
                        {L"menu", ROLE_SYSTEM_BUTTONMENU},
                        {L"minimize", ROLE_SYSTEM_PUSHBUTTON},
                        {L"close", ROLE_SYSTEM_PUSHBUTTON},
                        {L"Idle time: 0 hours, 0 minutes, 0 seconds", ROLE_SYSTEM_STATICTEXT},
                        {L"Total time: 0 days, ", ROLE_SYSTEM_STATICTEXT}};
        for (LONG id = 1; id <= count; ++id) {
            const std::wstring name = Name(acc, id), start = children[id - 1].name;
            EXPECT_EQ(name.substr(0, id < 7 ? name.size() : start.size()), start) << "child " << id;
            EXPECT_EQ(Get(acc, id, &IAccessible::get_accRole), children[id - 1].role) << "child " << id;
        }
        EXPECT_EQ(Availability(acc, kStart), "on");
        EXPECT_EQ(Availability(acc, kStop), "unavailable");
        EXPECT_EQ(Availability(acc, kMenu), "on");
        EXPECT_EQ(acc->accDoDefaultAction(Child(kStop)), DISP_E_MEMBERNOTFOUND)
            << "stop cannot be pressed yet";

        // Start through the default action: the call returns before the start runs.
        EXPECT_EQ(acc->accDoDefaultAction(Child(kStart)), S_OK);
        EXPECT_TRUE(WaitFor([&] { return Availability(acc, kStop) == "on"; }, 15))
            << "stop never became pressable";
        EXPECT_NE(lastPost().find("now idle"), std::string::npos);
        EXPECT_EQ(Availability(acc, kStart), "unavailable");
        EXPECT_TRUE(
            WaitFor([&] { return Name(acc, kIdleTime) != L"Idle time: 0 hours, 0 minutes, 0 seconds"; }, 5))
            << "the idle counter is not read";
        WaitFor([] { return false; }, 1.5);  // another tick or two: not announced
        // The start changed both texts' names once; the focus moved on to stop.
        EXPECT_EQ(Events(), "name 6;name 7;focus 2;");

        EXPECT_EQ(acc->accDoDefaultAction(Child(kStop)), S_OK);
        EXPECT_TRUE(WaitFor([&] { return Availability(acc, kStart) == "on"; }, 15))
            << "start never came back";
        EXPECT_NE(lastPost().find("not idle"), std::string::npos);
        EXPECT_EQ(Availability(acc, kStop), "unavailable");
        WaitFor([] { return false; }, 0.5);
        // Names once more; where the focus goes depends on when the host client takes it.
        const std::string stopEvents = Events();
        EXPECT_NE(stopEvents.find("name 6;name 7;"), std::string::npos) << stopEvents;
        EXPECT_EQ(stopEvents.find("name 6;", stopEvents.find("name 6;") + 1), std::string::npos)
            << stopEvents;

        // The menu says it opens a popup; a reader moves the focus to it, and selects nothing.
        const LONG menuState = Get(acc, kMenu, &IAccessible::get_accState);
        EXPECT_TRUE(menuState >= 0 && (menuState & STATE_SYSTEM_HASPOPUP)) << menuState;
        const struct {
            LONG flags, child;
            HRESULT result;
        } selects[] = {{SELFLAG_TAKEFOCUS, kMenu, S_OK},
                       {SELFLAG_TAKEFOCUS, kIdleTime, S_FALSE},
                       {SELFLAG_TAKESELECTION, kMenu, S_FALSE},
                       {SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION, kMenu, E_INVALIDARG}};
        for (const auto& select : selects)
            EXPECT_EQ(acc->accSelect(select.flags, Child(select.child)), select.result) << select.flags;
        VARIANT focus;
        VariantInit(&focus);
        EXPECT_EQ(acc->get_accFocus(&focus), S_OK);
        EXPECT_EQ(focus.vt == VT_I4 ? focus.lVal : -1, kMenu);

        EXPECT_EQ(acc->accDoDefaultAction(Child(kClose)), S_OK);
        EXPECT_TRUE(app.Ended(15)) << "close through the default action did not end pellowick";
        LONG after = 0;
        EXPECT_NE(acc->get_accChildCount(&after), S_OK) << "the object outlived its window";
        acc->Release();
        UnhookWinEvent(hook);
    }
    CoUninitialize();
}

TEST(SecondStart, RestoresTheFirstCopyWhenItIsMinimized) {
    Pellowick app;
    ASSERT_TRUE(app.window) << "pellowick's window was not shown within 30 s";
    ShowWindow(app.window, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(app.window) != FALSE; }, 5));
    EXPECT_TRUE(app.StartAgainEnds(20)) << "the second copy still runs";
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(app.window); }, 5)) << "the first copy stayed minimized";
}

}  // namespace
}  // namespace pw
