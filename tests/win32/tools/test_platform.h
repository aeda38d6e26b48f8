// The real Win32 platform with five things put under a test's control: the
// program's folder, where "c:\pwick.dat" really lies, message boxes, which are
// recorded instead of shown (nobody is there to click them), what profile reads
// return, and the time of the last input.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "stats/stats_file.h"

namespace pw::test {

class TestPlatform final : public Platform {
  public:
    std::string programFolder;  // empty: the real one
    std::string writeFolder;    // empty: the real c:\ root; else the folder standing in for it
    struct Box {
        std::string text, title;
        int style;
    };
    std::vector<Box> boxes;
    // False: Quit only counts, so a test can look at what the program left behind.
    bool quitEndsProcess = true;
    int quits = 0;
    // When set, the tick of the session's last input: a test's user, away or back.
    std::optional<std::uint32_t> lastInput;

    Hwnd FindTopWindow(const char* cls) override { return real_.FindTopWindow(cls); }
    Hwnd FindChildWindow(Hwnd parent, Hwnd after, const char* cls) override {
        return real_.FindChildWindow(parent, after, cls);
    }
    FileAccess ProbeFile(const std::string& path) override { return real_.ProbeFile(Path(path)); }
    bool WindowExists(Hwnd w) override { return real_.WindowExists(w); }
    std::optional<std::int64_t> SendGetTextLength(Hwnd w, unsigned ms) override {
        return real_.SendGetTextLength(w, ms);
    }
    std::optional<std::size_t> SendGetText(Hwnd w, char* buf, std::size_t cap, unsigned ms) override {
        return real_.SendGetText(w, buf, cap, ms);
    }
    bool SendSetText(Hwnd w, const std::string& ansi, unsigned ms) override {
        return real_.SendSetText(w, ansi, ms);
    }
    bool SendChar(Hwnd w, unsigned ch, unsigned ms) override { return real_.SendChar(w, ch, ms); }
    void ShowWindowAsync(Hwnd w, int cmd) override { real_.ShowWindowAsync(w, cmd); }
    std::string AnsiFromText(std::string_view utf8) override { return real_.AnsiFromText(utf8); }
    std::string TextFromAnsi(std::string_view ansi) override { return real_.TextFromAnsi(ansi); }
    float ClockSeconds() override { return real_.ClockSeconds(); }
    double AwakeSeconds() override { return real_.AwakeSeconds(); }
    void PumpEvents() override { real_.PumpEvents(); }
    void WaitForEvents(double seconds) override { real_.WaitForEvents(seconds); }
    std::uint32_t TickCount() override { return real_.TickCount(); }
    std::optional<std::uint32_t> LastInputTick() override {
        return lastInput ? lastInput : real_.LastInputTick();
    }

    std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& def,
                                 std::size_t cap, const std::string& path) override {
        return real_.ReadProfileValue(section, key, def, cap, Path(path));
    }
    bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                           const std::string& path) override {
        return real_.WriteProfileValue(section, key, value, Path(path));
    }
    bool WriteProfileKeys(const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& keys,
                          const std::string& path) override {
        return real_.WriteProfileKeys(section, keys, Path(path));
    }
    bool FlushProfile(const std::string& path) override { return real_.FlushProfile(Path(path)); }
    bool IsOrdinaryFile(const std::string& path) override { return real_.IsOrdinaryFile(Path(path)); }
    bool CopyFileReplace(const std::string& from, const std::string& to) override {
        return real_.CopyFileReplace(Path(from), Path(to));
    }
    bool RemoveFile(const std::string& path) override { return real_.RemoveFile(Path(path)); }
    bool MoveFileReplace(const std::string& from, const std::string& to) override {
        return real_.MoveFileReplace(Path(from), Path(to));
    }
    bool SameFile(const std::string& a, const std::string& b) override {
        return real_.SameFile(Path(a), Path(b));
    }
    unsigned long ProcessId() override { return real_.ProcessId(); }
    std::string ProgramFolder() override {
        return programFolder.empty() ? real_.ProgramFolder() : programFolder;
    }

    int ShowMessageBox(Form*, const std::string& text, const std::string& title, int style) override {
        boxes.push_back({text, title, style});
        return kIdOk;
    }
    std::unique_ptr<FormWindow> CreateFormWindow(Form& form) override { return real_.CreateFormWindow(form); }
    float ScreenWidth() override { return real_.ScreenWidth(); }
    float ScreenHeight() override { return real_.ScreenHeight(); }
    void Quit() override {
        ++quits;
        if (quitEndsProcess) real_.Quit();
    }

  private:
    // "c:\pwick.dat" and the files named after it move into writeFolder.
    std::string Path(const std::string& path) const {
        if (writeFolder.empty() || !path.starts_with(kWriteLocation)) return path;
        return writeFolder + path.substr(2);
    }

    Win32Platform real_;
};

}  // namespace pw::test
