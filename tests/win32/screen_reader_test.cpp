// pellowick's window as a screen reader sees it: from this process, through Active
// Accessibility, against the real pellowick.exe and a live hostsim.
#include <gtest/gtest.h>

#include <objbase.h>
#include <oleacc.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win32_text.h"
#include "tests/win32/hostsim_process.h"

namespace pw {
namespace {

using test::HostSimProcess;
using test::LogLine;

// Waits while pumping: the window events of the other process arrive as messages.
bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (done()) return true;
        if (std::chrono::steady_clock::now() > until) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

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
// started, and ended when the test is over; c:\pwick.dat is put back as it was.
class Pellowick {
  public:
    Pellowick() {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring exe = self;
        exe = exe.substr(0, exe.rfind(L'\\'));  // tests\win32
        exe = exe.substr(0, exe.rfind(L'\\'));  // tests
        exe = exe.substr(0, exe.rfind(L'\\')) + L"\\platform\\win32\\pellowick.exe";
        wchar_t temp[MAX_PATH + 1];
        dir_ = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"pwacc" +
               std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(dir_.c_str(), nullptr);
        copy_ = dir_ + L"\\pellowick.exe";
        saved_ = test::ReadWholeFile(kRootStats);
        hadStats_ = GetFileAttributesW(kRootStats) != INVALID_FILE_ATTRIBUTES;
        if (!CopyFileW(exe.c_str(), copy_.c_str(), FALSE)) return;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring cmd = L"\"" + copy_ + L"\"";
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si,
                            &pi_))
            return;
        WaitFor(
            [&] { return (window = FindWindowW(L"pellowick_frmMain", nullptr)) && IsWindowVisible(window); },
            30);
    }
    ~Pellowick() {
        if (pi_.hProcess) {
            if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 0);
            WaitForSingleObject(pi_.hProcess, 5000);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
        DeleteFileW((dir_ + L"\\pwick.dat").c_str());
        DeleteFileW(copy_.c_str());
        RemoveDirectoryW(dir_.c_str());
        if (hadStats_) {
            HANDLE h = CreateFileW(kRootStats, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(h, saved_.data(), static_cast<DWORD>(saved_.size()), &written, nullptr);
            CloseHandle(h);
        } else {
            DeleteFileW(kRootStats);
        }
    }
    bool Ended(double seconds) const {
        return pi_.hProcess &&
               WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0;
    }
    HWND window = nullptr;

  private:
    static constexpr const wchar_t* kRootStats = L"c:\\pwick.dat";
    std::wstring dir_, copy_;
    std::string saved_;
    bool hadStats_ = false;
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

LONG Long(IAccessible* acc, LONG id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
    VARIANT v;
    VariantInit(&v);
    if ((acc->*get)(Child(id), &v) != S_OK || v.vt != VT_I4) return -1;
    return v.lVal;
}

LONG State(IAccessible* acc, LONG id) {
    return Long(acc, id, &IAccessible::get_accState);
}
LONG RoleOf(IAccessible* acc, LONG id) {
    return Long(acc, id, &IAccessible::get_accRole);
}

// "on", "unavailable" or "invisible", as a reader would say of a button.
std::string Availability(IAccessible* acc, LONG id) {
    const LONG s = State(acc, id);
    if (s < 0) return "(no state)";
    if (s & STATE_SYSTEM_INVISIBLE) return "invisible";
    return s & STATE_SYSTEM_UNAVAILABLE ? "unavailable" : "on";
}

bool Posted(const HostSimProcess& host, const std::string& what) {
    for (const LogLine& l : host.Log())
        if (l.event == "POST" && l.payload.find(what) != std::string::npos) return true;
    return false;
}

constexpr LONG kStart = 1, kStop = 2, kMenu = 3, kClose = 5, kIdleTime = 6;

TEST(ScreenReader, ReadsTheWindowAndStartsAndStopsThroughDefaultActions) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    HostSimProcess host({});
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
            const wchar_t* name;
            LONG role;
        } children[] = {{L"start", ROLE_SYSTEM_PUSHBUTTON}, {L"stop", ROLE_SYSTEM_PUSHBUTTON},
                        {L"menu", ROLE_SYSTEM_BUTTONMENU},  {L"minimize", ROLE_SYSTEM_PUSHBUTTON},
                        {L"close", ROLE_SYSTEM_PUSHBUTTON}, {nullptr, ROLE_SYSTEM_STATICTEXT},
                        {nullptr, ROLE_SYSTEM_STATICTEXT}};
        for (LONG id = 1; id <= count; ++id) {
            const auto& c = children[id - 1];
            if (c.name) {
                EXPECT_EQ(Name(acc, id), c.name) << "child " << id;
            }
            EXPECT_EQ(RoleOf(acc, id), c.role) << "child " << id;
        }
        EXPECT_EQ(Name(acc, kIdleTime), L"Idle time: 0 hours, 0 minutes, 0 seconds");
        EXPECT_EQ(Name(acc, 7).rfind(L"Total time: 0 days, ", 0), 0u) << "reads " << ToUtf8(Name(acc, 7));
        EXPECT_EQ(Availability(acc, kStart), "on");
        EXPECT_EQ(Availability(acc, kStop), "unavailable");
        EXPECT_EQ(Availability(acc, kMenu), "on");
        EXPECT_EQ(acc->accDoDefaultAction(Child(kStop)), DISP_E_MEMBERNOTFOUND)
            << "stop cannot be pressed yet";

        // Start through the default action: the call returns before the start runs.
        EXPECT_EQ(acc->accDoDefaultAction(Child(kStart)), S_OK);
        EXPECT_TRUE(WaitFor([&] { return Availability(acc, kStop) == "on"; }, 15))
            << "stop never became pressable";
        EXPECT_TRUE(Posted(host, "now idle"));
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
        EXPECT_TRUE(Posted(host, "not idle"));
        EXPECT_EQ(Availability(acc, kStop), "unavailable");
        WaitFor([] { return false; }, 0.5);
        // Names once more; where the focus goes depends on when the host client takes it.
        const std::string stopEvents = Events();
        EXPECT_NE(stopEvents.find("name 6;name 7;"), std::string::npos) << stopEvents;
        EXPECT_EQ(stopEvents.find("name 6;", stopEvents.find("name 6;") + 1), std::string::npos)
            << stopEvents;

        EXPECT_EQ(acc->accDoDefaultAction(Child(kClose)), S_OK);
        EXPECT_TRUE(app.Ended(15)) << "close through the default action did not end pellowick";
        LONG after = 0;
        EXPECT_NE(acc->get_accChildCount(&after), S_OK) << "the object outlived its window";
        acc->Release();
        UnhookWinEvent(hook);
    }
    CoUninitialize();
}

}  // namespace
}  // namespace pw
