// The real platform: user32 and kernel32, with the wide entry points everywhere
// except the messages to the host client, which speaks ANSI.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/win32_text.h"

namespace pw {

// Longest wait for another process to answer one message. A hung host client costs
// at most this much per message, and the caller then gives the action up.
constexpr unsigned kSendTimeoutMs = 2000;


class Win32Platform final : public Platform {
public:
    Hwnd FindTopWindow(const char* cls) override;
    Hwnd FindChildWindow(Hwnd parent, Hwnd after, const char* cls) override;
    std::optional<std::int64_t> SendGetTextLength(Hwnd w) override;
    std::optional<std::size_t> SendGetText(Hwnd w, char* buf, std::size_t cap) override;
    bool SendSetText(Hwnd w, const std::string& ansi) override;
    bool SendChar(Hwnd w, unsigned ch) override;
    void ShowWindowAsync(Hwnd w, int cmd) override;

    std::string AnsiFromText(std::string_view utf8) override;
    std::string TextFromAnsi(std::string_view ansi) override;

    float ClockSeconds() override;
    void PumpEvents() override;
    void WaitForEvents(double seconds) override;
    std::uint32_t TickCount() override;
    std::optional<std::uint32_t> LastInputTick() override;

    std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& def,
                                  std::size_t cap, const std::string& path) override;
    bool WriteProfileValue(const std::string& section, const std::string& key, const std::string& value,
                            const std::string& path) override;
    bool FlushProfile(const std::string& path) override;

    bool IsOrdinaryFile(const std::string& path) override;
    bool CopyFileReplace(const std::string& from, const std::string& to) override;
    bool RemoveFile(const std::string& path) override;
    bool MoveFileReplace(const std::string& from, const std::string& to) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    std::optional<std::int64_t> FileWriteTime(const std::string& path) override;
    std::string ProgramFolder() override;

    int ShowMessageBox(Form* owner, const std::string& text, const std::string& title, int style) override;
    std::unique_ptr<FormWindow> CreateFormWindow(Form& form) override;
    float ScreenWidth() override;
    float ScreenHeight() override;
    [[noreturn]] void Quit() override;
};

}  // namespace pw
