// The real platform: user32 and kernel32, with the wide entry points everywhere
// except the messages to the host client, which speaks ANSI.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/win32_text.h"

namespace pw {

class Win32Platform final : public Platform {
  public:
    Hwnd FindTopWindow(const char* cls) override;
    Hwnd FindChildWindow(Hwnd parent, Hwnd after, const char* cls) override;
    bool WindowExists(Hwnd w) override;
    std::optional<std::int64_t> SendGetTextLength(Hwnd w, unsigned timeoutMs) override;
    std::optional<std::size_t> SendGetText(Hwnd w, char* buf, std::size_t cap, unsigned timeoutMs) override;
    bool SendSetText(Hwnd w, const std::string& ansi, unsigned timeoutMs) override;
    bool SendChar(Hwnd w, unsigned ch, unsigned timeoutMs) override;
    void ShowWindowAsync(Hwnd w, int cmd) override;

    std::string AnsiFromText(std::string_view utf8) override;
    std::string TextFromAnsi(std::string_view ansi) override;

    float ClockSeconds() override;
    double AwakeSeconds() override;
    void PumpEvents() override;
    void WaitForEvents(double seconds) override;
    std::uint32_t TickCount() override;
    std::optional<std::uint32_t> LastInputTick() override;

    std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& def,
                                 std::size_t cap, const std::string& path) override;
    bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                           const std::string& path) override;
    bool WriteProfileKeys(const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& keys,
                          const std::string& path) override;
    bool FlushProfile(const std::string& path) override;

    bool IsOrdinaryFile(const std::string& path) override;
    FileAccess ProbeFile(const std::string& path) override;
    bool CopyFileReplace(const std::string& from, const std::string& to) override;
    bool RemoveFile(const std::string& path) override;
    bool MoveFileReplace(const std::string& from, const std::string& to) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    std::string ProgramFolder() override;
    unsigned long ProcessId() override;

    int ShowMessageBox(Form* owner, const std::string& text, const std::string& title, int style) override;
    std::unique_ptr<FormWindow> CreateFormWindow(Form& form) override;
    float ScreenWidth() override;
    float ScreenHeight() override;
    [[noreturn]] void Quit() override;

    // A quit message taken from the queue is not put back (the waits would spin on
    // it): it is remembered here, and `QuitAsked` runs, nested like any handler.
    bool QuitReceived() const { return quitReceived_; }
    std::function<void()> QuitAsked;
    // The system's move or menu loop runs on this thread: the waits then leave the
    // mouse and keyboard to it.
    void SystemLoop(bool entering) { systemLoops_ += entering ? 1 : (systemLoops_ > 0 ? -1 : 0); }

  private:
    bool quitReceived_ = false;
    int systemLoops_ = 0;
};

}  // namespace pw
