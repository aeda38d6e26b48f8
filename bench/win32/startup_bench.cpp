// pw_startup_bench.exe: pellowick.exe's start, timed. It does what the program's
// entry point does (FrmMain, Form_Load, Show on a Win32Platform) and prints, in
// `name: value unit` lines, the time from entry to the shown window and the part of
// it spent in Form_Load's deliberate pause: the time inside PumpEvents and
// WaitForEvents, which only Pause calls during the load. It also counts from the
// process's creation, so that loading the DLLs the program imports is included.
#include <chrono>
#include <cstdio>
#include <exception>

#include <windows.h>

#include "bench/win32/process_time.h"
#include "platform/win32/win32_platform.h"
#include "ui/frm_main.h"

namespace {

using Clock = std::chrono::steady_clock;

// Forwards everything to the real platform and adds up the time spent in the event
// loop while `timing` is set.
class TimedPlatform final : public pw::Platform {
  public:
    explicit TimedPlatform(pw::Platform& real) : p_(real) {}

    bool timing = false;
    double loopSeconds = 0;
    double pumpSeconds = 0;  // of which dispatching, not sleeping

    pw::Hwnd FindTopWindow(const char* cls) override { return p_.FindTopWindow(cls); }
    pw::Hwnd FindChildWindow(pw::Hwnd parent, pw::Hwnd after, const char* cls) override {
        return p_.FindChildWindow(parent, after, cls);
    }
    pw::FileAccess ProbeFile(const std::string& path) override { return p_.ProbeFile(path); }
    bool WindowExists(pw::Hwnd w) override { return p_.WindowExists(w); }
    std::optional<std::int64_t> SendGetTextLength(pw::Hwnd w, unsigned ms) override {
        return p_.SendGetTextLength(w, ms);
    }
    std::optional<std::size_t> SendGetText(pw::Hwnd w, char* buf, std::size_t cap, unsigned ms) override {
        return p_.SendGetText(w, buf, cap, ms);
    }
    bool SendSetText(pw::Hwnd w, const std::string& ansi, unsigned ms) override {
        return p_.SendSetText(w, ansi, ms);
    }
    bool SendChar(pw::Hwnd w, unsigned ch, unsigned ms) override { return p_.SendChar(w, ch, ms); }
    void ShowWindowAsync(pw::Hwnd w, int cmd) override { p_.ShowWindowAsync(w, cmd); }

    std::string AnsiFromText(std::string_view utf8) override { return p_.AnsiFromText(utf8); }
    std::string TextFromAnsi(std::string_view ansi) override { return p_.TextFromAnsi(ansi); }

    float ClockSeconds() override { return p_.ClockSeconds(); }
    double AwakeSeconds() override { return p_.AwakeSeconds(); }
    void PumpEvents() override {
        pumpSeconds += Timed([&] { p_.PumpEvents(); });
    }
    void WaitForEvents(double seconds) override {
        Timed([&] { p_.WaitForEvents(seconds); });
    }
    std::uint32_t TickCount() override { return p_.TickCount(); }
    std::optional<std::uint32_t> LastInputTick() override { return p_.LastInputTick(); }

    std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& def,
                                 std::size_t cap, const std::string& path) override {
        return p_.ReadProfileValue(section, key, def, cap, path);
    }
    bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                           const std::string& path) override {
        return p_.WriteProfileValue(section, key, value, path);
    }
    bool WriteProfileKeys(const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& keys,
                          const std::string& path) override {
        return p_.WriteProfileKeys(section, keys, path);
    }
    bool FlushProfile(const std::string& path) override { return p_.FlushProfile(path); }

    bool IsOrdinaryFile(const std::string& path) override { return p_.IsOrdinaryFile(path); }
    bool CopyFileReplace(const std::string& from, const std::string& to) override {
        return p_.CopyFileReplace(from, to);
    }
    bool RemoveFile(const std::string& path) override { return p_.RemoveFile(path); }
    bool MoveFileReplace(const std::string& from, const std::string& to) override {
        return p_.MoveFileReplace(from, to);
    }
    bool SameFile(const std::string& a, const std::string& b) override { return p_.SameFile(a, b); }
    std::string ProgramFolder() override { return p_.ProgramFolder(); }
    unsigned long ProcessId() override { return p_.ProcessId(); }

    int ShowMessageBox(pw::Form* owner, const std::string& text, const std::string& title,
                       int style) override {
        return p_.ShowMessageBox(owner, text, title, style);
    }
    std::unique_ptr<pw::FormWindow> CreateFormWindow(pw::Form& form) override {
        return p_.CreateFormWindow(form);
    }
    float ScreenWidth() override { return p_.ScreenWidth(); }
    float ScreenHeight() override { return p_.ScreenHeight(); }
    void Quit() override { p_.Quit(); }

  private:
    template <typename F>
    double Timed(F&& call) {
        if (!timing) {
            call();
            return 0;
        }
        const auto start = Clock::now();
        call();
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        loopSeconds += took;
        return took;
    }

    pw::Platform& p_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const auto entry = Clock::now();
    try {
        // The program's single-instance check costs one mutex; a name of our own keeps
        // a running pellowick.exe out of it.
        CreateMutexW(nullptr, FALSE, L"Local\\pellowick.startup-bench");
        pw::Win32Platform real;
        TimedPlatform platform(real);
        pw::FrmMain main(platform);
        platform.timing = true;
        main.Form_Load();
        platform.timing = false;
        main.Window().Show();
        const double total = std::chrono::duration<double>(Clock::now() - entry).count();
        const double launch = SecondsSinceCreation();

        std::printf("startup_total_s: %.4f s\n", total);
        std::printf("startup_pause_s: %.4f s\n", platform.loopSeconds);
        std::printf("startup_overhead_s: %.4f s\n", total - platform.loopSeconds);
        std::printf("startup_launch_overhead_s: %.4f s\n", launch - platform.loopSeconds);
        // Work done while pumping counts as pause; this says how much that was.
        std::printf("startup_pause_dispatch_s: %.4f s\n", platform.pumpSeconds);
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "startup bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
