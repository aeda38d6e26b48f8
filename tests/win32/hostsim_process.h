// A live hostsim for tests and benchmarks: started from the exe named by PW_HOSTSIM
// with its log and ready files in a fresh temporary folder, ended when it goes out
// of scope.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace pw::test {

struct LogLine {
    long ms = 0;
    std::string event, target, payload;
};

inline std::string ReadWholeFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

// The payloads of the log lines of one event, in order.
inline std::vector<std::string> Payloads(const std::vector<LogLine>& log, const std::string& event) {
    std::vector<std::string> out;
    for (const LogLine& l : log)
        if (l.event == event) out.push_back(l.payload);
    return out;
}
// For WaitForLog: whether the log holds the event at all.
inline auto Has(const std::string& event) {
    return [=](const std::vector<LogLine>& log) { return !Payloads(log, event).empty(); };
}

inline void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

// Waits for `done` while dispatching this thread's messages; false on time-out.
inline bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (done()) return true;
        if (std::chrono::steady_clock::now() > until) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// Dispatches this thread's messages for `ms` milliseconds.
inline void Pump(int ms) {
    WaitFor([] { return false; }, ms / 1000.0);
}

class HostSimProcess {
  public:
    explicit HostSimProcess(const std::vector<std::string>& args) {
        const char* exe = std::getenv("PW_HOSTSIM");
        if (!exe || !*exe) throw std::runtime_error("PW_HOSTSIM does not name the hostsim exe");
        dir_ = MakeTempFolder();
        std::wstring cmd =
            Quote(WindowsPath(exe)) + L" --log " + Quote(LogPath()) + L" --ready " + Quote(ReadyPath());
        for (const std::string& a : args)
            cmd += L" " + Quote(ToUtf16(a));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
            throw std::runtime_error("cannot start hostsim: error " + std::to_string(GetLastError()));
        try {
            frame_ = WaitForReady();
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~HostSimProcess() { Stop(); }
    HostSimProcess(const HostSimProcess&) = delete;
    HostSimProcess& operator=(const HostSimProcess&) = delete;

    Hwnd Frame() const { return frame_; }

    std::vector<LogLine> Log() const {
        std::vector<LogLine> lines;
        std::string bytes = ReadWholeFile(LogPath());
        for (std::size_t at = 0, end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1) {
            std::vector<std::string> f{""};
            for (char c : bytes.substr(at, end - at)) {
                if (c == '\t')
                    f.emplace_back();
                else
                    f.back().push_back(c);
            }
            f.resize(4);
            lines.push_back({std::atol(f[0].c_str()), f[1], f[2], f[3]});
        }
        return lines;
    }
    // Polls the log until `done` holds or `seconds` pass; returns whether it held.
    bool WaitForLog(const std::function<bool(const std::vector<LogLine>&)>& done, double seconds = 5) const {
        auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (;;) {
            if (done(Log())) return true;
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

  private:
    void Stop() {
        if (pi_.hProcess) {
            TerminateProcess(pi_.hProcess, 0);
            WaitForSingleObject(pi_.hProcess, 5000);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
            pi_ = {};
        }
        DeleteFileW(LogPath().c_str());
        DeleteFileW(ReadyPath().c_str());
        RemoveDirectoryW(dir_.c_str());
    }
    static std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }
    // The scripts name hostsim by its Unix path; Wine's drive Z: is the Unix root.
    static std::wstring WindowsPath(const std::string& path) {
        std::wstring w = ToUtf16(path);
        if (!w.starts_with(L"/")) return w;
        std::replace(w.begin(), w.end(), L'/', L'\\');
        return L"Z:" + w;
    }
    std::wstring LogPath() const { return dir_ + L"\\hostsim.log"; }
    std::wstring ReadyPath() const { return dir_ + L"\\ready"; }

    static std::wstring MakeTempFolder() {
        static int serial = 0;
        wchar_t temp[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        std::wstring base = std::wstring(temp, n) + L"pwhs" + std::to_wstring(GetCurrentProcessId()) + L"_";
        for (;;) {
            std::wstring dir = base + std::to_wstring(++serial);
            if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
            if (GetLastError() != ERROR_ALREADY_EXISTS)
                throw std::runtime_error("cannot make a temporary folder");
        }
    }

    Hwnd WaitForReady() {
        for (int i = 0; i < 1000; ++i) {  // 20 s: a cold Wine start is slow
            std::string ready = ReadWholeFile(ReadyPath());
            if (ready.starts_with("ready ") && ready.ends_with("\n"))
                return static_cast<Hwnd>(std::strtoull(ready.c_str() + 6, nullptr, 10));
            if (WaitForSingleObject(pi_.hProcess, 20) == WAIT_OBJECT_0)
                throw std::runtime_error("hostsim ended before it was ready");
        }
        throw std::runtime_error("hostsim was not ready in time");
    }

    std::wstring dir_;
    PROCESS_INFORMATION pi_{};
    Hwnd frame_ = 0;
};

}  // namespace pw::test
