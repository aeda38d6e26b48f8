// The one seam between pellowick's own logic and the operating system.
//
// Everything the program asks of Windows goes through this interface: looking up
// the host client's windows, the few messages sent to them, the clock, the event
// loop, profile strings, file operations, message boxes and the form toolkit.
// platform/win32 implements it for real; platform/fake is a deterministic stand-in
// for the unit tests.
//
// Texts inside the program are UTF-8. Texts that cross to the host client or into
// the statistics file are ANSI bytes (the system code page); AnsiFromText and
// TextFromAnsi convert at the boundary, exactly where the real calls would.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw {

class Form;
class FormWindow;

// A window handle of any process; 0 is "no window".
using Hwnd = std::uintptr_t;

// Message-box styles and answers, with their Win32 values.
enum : int {
    kMbOk = 0,
    kMbYesNo = 4,
    kMbIconStop = 16,
    kMbIconExclamation = 48,
    kMbIconInformation = 64,
    kIdOk = 1,
    kIdYes = 6,
    kIdNo = 7,
};

// ShowWindow commands used on the host frame.
enum : int { kSwShowMinimized = 2, kSwShowMaximized = 3 };

// The longest wait for another process to answer one message.
inline constexpr unsigned kHostAnswerMs = 2000;

// What a look at a file found.
enum class FileAccess { Missing, Readable, Unreadable };

class Platform {
  public:
    virtual ~Platform() = default;

    // --- Windows of other processes -------------------------------------------------
    // FindWindowA(cls, nullptr)
    virtual Hwnd FindTopWindow(const char* cls) = 0;
    // FindWindowExA(parent, after, cls, nullptr): direct children only, in Z order.
    virtual Hwnd FindChildWindow(Hwnd parent, Hwnd after, const char* cls) = 0;

    // IsWindow: the window still exists (asks nothing of its program).
    virtual bool WindowExists(Hwnd w) = 0;
    // Messages to another process's window, each waiting at most `timeoutMs` for the
    // answer. nullopt/false means the window is missing, its program did not answer
    // in time, or the call failed: nothing is known to have been done.
    // WM_GETTEXTLENGTH, as the number of ANSI bytes the text may need.
    virtual std::optional<std::int64_t> SendGetTextLength(Hwnd w, unsigned timeoutMs) = 0;
    virtual std::optional<std::size_t> SendGetText(Hwnd w, char* buf, std::size_t cap,
                                                   unsigned timeoutMs) = 0;             // WM_GETTEXT
    virtual bool SendSetText(Hwnd w, const std::string& ansi, unsigned timeoutMs) = 0;  // WM_SETTEXT
    virtual bool SendChar(Hwnd w, unsigned ch, unsigned timeoutMs) = 0;                 // WM_CHAR ch, 0
    // ShowWindowAsync: never waits on a hung host.
    virtual void ShowWindowAsync(Hwnd w, int cmd) = 0;

    // --- Text conversion (system ANSI code page) -------------------------------------
    virtual std::string AnsiFromText(std::string_view utf8) = 0;
    virtual std::string TextFromAnsi(std::string_view ansi) = 0;

    // --- Clock and event loop ---------------------------------------------------------
    // Local time of day in seconds since midnight, single precision, wraps at midnight.
    virtual float ClockSeconds() = 0;
    // Seconds the machine has been awake since some fixed moment: stops while it
    // sleeps, never set back, never wraps.
    virtual double AwakeSeconds() = 0;
    // One pass of the event loop: dispatch every message waiting for this thread.
    virtual void PumpEvents() = 0;
    // Sleep until an event is waiting or `seconds` have passed, whichever comes first.
    virtual void WaitForEvents(double seconds) = 0;
    // GetTickCount: milliseconds since the system started, wrapping every 49.7 days.
    virtual std::uint32_t TickCount() = 0;
    // GetLastInputInfo: the tick count of the session's last keyboard or mouse input,
    // nullopt when the system cannot tell (Wine reports 0 until input reaches one of
    // its windows).
    virtual std::optional<std::uint32_t> LastInputTick() = 0;

    // --- Statistics file --------------------------------------------------------------
    // GetPrivateProfileString: the value, or `def`, cut to cap - 1 bytes (ANSI).
    virtual std::string ReadProfileValue(const std::string& section, const std::string& key,
                                         const std::string& def, std::size_t cap,
                                         const std::string& path) = 0;
    // WritePrivateProfileString; false when the write failed.
    virtual bool WriteProfileValue(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& path) = 0;
    // Sets several keys of one section in a single write of the file, keeping the
    // section's other lines; false when the write failed.
    virtual bool WriteProfileKeys(const std::string& section,
                                  const std::vector<std::pair<std::string, std::string>>& keys,
                                  const std::string& path) = 0;
    // Pushes cached profile writes for `path` through to the disk; false when that failed.
    virtual bool FlushProfile(const std::string& path) = 0;

    // --- Files (paths are UTF-8; the backend uses the wide calls) ---------------------
    virtual bool IsOrdinaryFile(const std::string& path) = 0;
    // Whether the file is there and its contents can be read now (a file held open by
    // another program, or one whose contents are not on this machine, cannot).
    virtual FileAccess ProbeFile(const std::string& path) = 0;
    virtual bool CopyFileReplace(const std::string& from, const std::string& to) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Replaces `to` with `from` in one step, written through to disk.
    virtual bool MoveFileReplace(const std::string& from, const std::string& to) = 0;
    // True when both paths exist and name the same file (volume + file id).
    virtual bool SameFile(const std::string& a, const std::string& b) = 0;
    // The folder holding the running program, without a trailing backslash.
    virtual std::string ProgramFolder() = 0;
    // This process's id: names what no other running copy of the program writes.
    virtual unsigned long ProcessId() = 0;

    // --- User interface ----------------------------------------------------------------
    // Modal message box; returns the button pressed (kIdOk, kIdYes, kIdNo).
    virtual int ShowMessageBox(Form* owner, const std::string& text, const std::string& title, int style) = 0;
    // The platform peer that shows a form; the form keeps it.
    virtual std::unique_ptr<FormWindow> CreateFormWindow(Form& form) = 0;
    // Screen size in twips.
    virtual float ScreenWidth() = 0;
    virtual float ScreenHeight() = 0;
    // Ends the program now: every window closes, no further handler runs.
    virtual void Quit() = 0;
};

}  // namespace pw
